#include "StreamCopy.h"

#include <QFileDevice>

#ifdef Q_OS_LINUX
#include <cerrno>
#include <unistd.h>
#endif

namespace {

CopyResult copyThroughBuffer(QIODevice &from, QIODevice &to, qint64 count, QByteArray &buffer,
                             const ChunkCallback &chunkCopied)
{
    char *chunk = buffer.data();
    const qint64 chunkSize = buffer.size();
    while (count > 0) {
        const qint64 got = from.read(chunk, qMin(count, chunkSize));
        if (got <= 0)
            return CopyResult::ReadShort;
        if (to.write(chunk, got) != got)
            return CopyResult::WriteFailed;
        count -= got;
        if (chunkCopied && !chunkCopied(got) && count > 0)
            return CopyResult::Cancelled;
    }
    return CopyResult::Done;
}

#ifdef Q_OS_LINUX
// Below this, one read and one write cost less than the seeks that keep
// Qt's idea of both positions right after a kernel copy.
constexpr qint64 kernelCopyThreshold = 256 * 1024;

// The kernel copies this much at a time, so a long copy can be stopped soon.
constexpr qint64 kernelChunk = 8 * 1024 * 1024;

enum class KernelCopy { Done, ReadShort, WriteFailed, Cancelled, Unsupported };

// copy_file_range between the two files' native handles, at their logical
// positions; the devices are moved past the copied bytes afterwards.
KernelCopy copyInKernel(QFileDevice &from, QFileDevice &to, qint64 count,
                        const ChunkCallback &chunkCopied)
{
    if (from.handle() < 0 || to.handle() < 0 || !to.flush())
        return KernelCopy::Unsupported;
    loff_t in = from.pos();
    loff_t out = to.pos();
    qint64 left = count;
    bool cancelled = false;
    while (left > 0 && !cancelled) {
        const ssize_t done = ::copy_file_range(from.handle(), &in, to.handle(), &out,
                                               size_t(qMin(left, kernelChunk)), 0);
        if (done < 0) {
            if (errno == EINTR)
                continue;
            if (left == count && (errno == EXDEV || errno == ENOSYS || errno == EINVAL
                                  || errno == EOPNOTSUPP || errno == EBADF || errno == ETXTBSY))
                return KernelCopy::Unsupported; // nothing copied yet: the buffer will do
            const bool targetFull = errno == ENOSPC || errno == EFBIG || errno == EDQUOT;
            return targetFull ? KernelCopy::WriteFailed : KernelCopy::ReadShort;
        }
        if (done == 0)
            break; // the source ended early
        left -= done;
        cancelled = chunkCopied && !chunkCopied(done) && left > 0;
    }
    if (!from.seek(in) || !to.seek(out))
        return KernelCopy::WriteFailed;
    if (cancelled)
        return KernelCopy::Cancelled;
    return left == 0 ? KernelCopy::Done : KernelCopy::ReadShort;
}
#endif

} // namespace

CopyResult copyBytes(QIODevice &from, QIODevice &to, qint64 count, QByteArray &buffer,
                     const ChunkCallback &chunkCopied)
{
#ifdef Q_OS_LINUX
    auto *fromFile = qobject_cast<QFileDevice *>(&from);
    auto *toFile = qobject_cast<QFileDevice *>(&to);
    if (count >= kernelCopyThreshold && fromFile && toFile) {
        switch (copyInKernel(*fromFile, *toFile, count, chunkCopied)) {
        case KernelCopy::Done: return CopyResult::Done;
        case KernelCopy::ReadShort: return CopyResult::ReadShort;
        case KernelCopy::WriteFailed: return CopyResult::WriteFailed;
        case KernelCopy::Cancelled: return CopyResult::Cancelled;
        case KernelCopy::Unsupported: break;
        }
    }
#endif
    return copyThroughBuffer(from, to, count, buffer, chunkCopied);
}
