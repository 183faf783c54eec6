// SPDX-License-Identifier: MIT
#include "StreamCopy.h"
#include "KernelCopy.h"

#include <cerrno>

namespace {

CopyOutcome copyThroughBuffer(QIODevice &from, QIODevice &to, qint64 count, QByteArray &buffer,
                              const ChunkCallback &chunkCopied)
{
    char *chunk = buffer.data();
    const qint64 chunkSize = buffer.size();
    while (count > 0) {
        // Qt reports a failed read or write as -1 and leaves the cause in errno.
        errno = 0;
        const qint64 got = from.read(chunk, qMin(count, chunkSize));
        if (got < 0)
            return {CopyResult::ReadFailed, errno};
        if (got == 0)
            return {CopyResult::ReadShort, 0};
        errno = 0;
        if (to.write(chunk, got) != got)
            return {CopyResult::WriteFailed, errno};
        count -= got;
        if (chunkCopied && !chunkCopied(got) && count > 0)
            return {CopyResult::Cancelled, 0};
    }
    return {};
}

} // namespace

CopyOutcome copyBytes(QIODevice &from, QIODevice &to, qint64 count, QByteArray &buffer,
                      const ChunkCallback &chunkCopied)
{
    const KernelCopy kernel = copyInKernel(from, to, count, chunkCopied);
    switch (kernel.outcome) {
    case KernelCopy::Done: return {};
    case KernelCopy::SourceEnded: return {CopyResult::ReadShort, 0};
    case KernelCopy::Cancelled: return {CopyResult::Cancelled, 0};
    case KernelCopy::PositionLost: return {CopyResult::WriteFailed, kernel.error};
    case KernelCopy::Rest: break; // what is left goes through the buffer
    }
    return copyThroughBuffer(from, to, count, buffer, chunkCopied);
}
