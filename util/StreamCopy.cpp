// SPDX-License-Identifier: MIT
#include "StreamCopy.h"

#include <QFileDevice>

#include <cerrno>

#ifdef Q_OS_LINUX
#include <unistd.h>
#endif

namespace {

// Qt reports a failed read or write as -1 and leaves the cause in errno.
CopyOutcome failed(CopyResult result)
{
    return {result, errno};
}

CopyOutcome copyThroughBuffer(QIODevice &from, QIODevice &to, qint64 count, QByteArray &buffer,
                              const ChunkCallback &chunkCopied)
{
    char *chunk = buffer.data();
    const qint64 chunkSize = buffer.size();
    while (count > 0) {
        errno = 0;
        const qint64 got = from.read(chunk, qMin(count, chunkSize));
        if (got < 0)
            return failed(CopyResult::ReadFailed);
        if (got == 0)
            return {CopyResult::ReadShort, 0};
        if (to.write(chunk, got) != got)
            return failed(CopyResult::WriteFailed);
        count -= got;
        if (chunkCopied && !chunkCopied(got) && count > 0)
            return {CopyResult::Cancelled, 0};
    }
    return {};
}

#ifdef Q_OS_LINUX
// Below this, one read and one write cost less than the seeks that keep
// Qt's idea of both positions right after a kernel copy.
constexpr qint64 kernelCopyThreshold = qint64(256) * 1024;

// The kernel copies this much at a time, so a long copy can be stopped soon.
constexpr qint64 kernelChunk = qint64(8) * 1024 * 1024;

enum class KernelCopy { Done, SourceEnded, Cancelled, Rest, PositionLost };

// copy_file_range between the two files' native handles, at their logical
// positions; the devices are moved past the copied bytes afterwards and
// `count` is lowered by them. Stops at the first error without judging it
// (Rest): the buffered copy then takes over the rest and tells a failed read
// from a failed write, which the kernel's error number does not.
KernelCopy copyInKernel(QFileDevice &from, QFileDevice &to, qint64 &count,
                        const ChunkCallback &chunkCopied)
{
    if (from.handle() < 0 || to.handle() < 0 || from.isSequential() || to.isSequential()
        || !to.flush())
        return KernelCopy::Rest; // a pipe or terminal keeps no position to copy at
    loff_t in = from.pos();
    loff_t out = to.pos();
    KernelCopy outcome = KernelCopy::Done;
    while (count > 0) {
        const ssize_t done = ::copy_file_range(from.handle(), &in, to.handle(), &out,
                                               size_t(qMin(count, kernelChunk)), 0);
        if (done < 0 && errno == EINTR)
            continue;
        if (done <= 0) {
            outcome = done == 0 ? KernelCopy::SourceEnded : KernelCopy::Rest;
            break;
        }
        count -= done;
        if (chunkCopied && !chunkCopied(done) && count > 0) {
            outcome = KernelCopy::Cancelled;
            break;
        }
    }
    if (!from.seek(in) || !to.seek(out))
        return KernelCopy::PositionLost;
    return outcome;
}
#endif

} // namespace

CopyOutcome copyBytes(QIODevice &from, QIODevice &to, qint64 count, QByteArray &buffer,
                      const ChunkCallback &chunkCopied)
{
#ifdef Q_OS_LINUX
    auto *fromFile = qobject_cast<QFileDevice *>(&from);
    auto *toFile = qobject_cast<QFileDevice *>(&to);
    if (count >= kernelCopyThreshold && fromFile && toFile) {
        switch (copyInKernel(*fromFile, *toFile, count, chunkCopied)) {
        case KernelCopy::Done: return {};
        case KernelCopy::SourceEnded: return {CopyResult::ReadShort, 0};
        case KernelCopy::Cancelled: return {CopyResult::Cancelled, 0};
        case KernelCopy::PositionLost: return failed(CopyResult::WriteFailed);
        case KernelCopy::Rest: break; // what is left goes through the buffer
        }
    }
#endif
    return copyThroughBuffer(from, to, count, buffer, chunkCopied);
}
