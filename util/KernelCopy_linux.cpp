// SPDX-License-Identifier: MIT
// copy_file_range: the kernel copies between two files without the bytes
// passing through this process.
#include "KernelCopy.h"

#include <QFileDevice>

#include <cerrno>
#include <unistd.h>

namespace {

// Below this, one read and one write cost less than the seeks that keep
// Qt's idea of both positions right after a kernel copy.
constexpr qint64 kernelCopyThreshold = qint64(256) * 1024;

// The kernel copies this much at a time, so a long copy can be stopped soon.
constexpr qint64 kernelChunk = qint64(8) * 1024 * 1024;

} // namespace

KernelCopy copyInKernel(QIODevice &fromDevice, QIODevice &toDevice, qint64 &count,
                        const ChunkCallback &chunkCopied)
{
    auto *from = qobject_cast<QFileDevice *>(&fromDevice);
    auto *to = qobject_cast<QFileDevice *>(&toDevice);
    if (count < kernelCopyThreshold || !from || !to || from->handle() < 0 || to->handle() < 0
        || from->isSequential() || to->isSequential() || !to->flush())
        return {}; // a pipe or terminal keeps no position to copy at
    loff_t in = from->pos();
    loff_t out = to->pos();
    KernelCopy copied{KernelCopy::Done, 0};
    while (count > 0) {
        const ssize_t done = ::copy_file_range(from->handle(), &in, to->handle(), &out,
                                               size_t(qMin(count, kernelChunk)), 0);
        if (done < 0 && errno == EINTR)
            continue;
        if (done <= 0) {
            copied.outcome = done == 0 ? KernelCopy::SourceEnded : KernelCopy::Rest;
            break;
        }
        count -= done;
        if (chunkCopied && !chunkCopied(done) && count > 0) {
            copied.outcome = KernelCopy::Cancelled;
            break;
        }
    }
    errno = 0;
    if (!from->seek(in) || !to->seek(out))
        return {KernelCopy::PositionLost, errno};
    return copied;
}
