// SPDX-License-Identifier: MIT
#include "ArchiveOutput.h"

#include "util/SourceFolder.h"
#include "util/Writeback.h"

#include <QFile>

#include <cerrno>
#include <cstring>

namespace {
// Resources below this size are gathered; it is also the copy chunk size.
constexpr qint64 blockSize = qint64(1024) * 1024;
// How much is written between two requests to start disk writes: often
// enough that the disk is kept busy from early on.
constexpr qint64 writebackInterval = qint64(4) * 1024 * 1024;
} // namespace

ArchiveOutput::ArchiveOutput(QIODevice &archive, ChunkCallback copied)
    : device(archive),
      file(qobject_cast<QFileDevice *>(&archive)),
      block(blockSize, Qt::Uninitialized),
      contentCopied(std::move(copied))
{
}

void ArchiveOutput::wrote(qint64 bytes)
{
    sinceWriteback += bytes;
    if (file && sinceWriteback >= writebackInterval) {
        startWriteback(*file);
        sinceWriteback = 0;
    }
}

bool ArchiveOutput::writeOut(const char *bytes, qint64 size)
{
    errno = 0;
    if (device.write(bytes, size) != size) {
        error = errno;
        return false;
    }
    wrote(size);
    return true;
}

bool ArchiveOutput::flushBlock()
{
    const qint64 size = gathered;
    gathered = 0;
    return writeOut(block.constData(), size);
}

bool ArchiveOutput::append(const char *bytes, qint64 size)
{
    if (gathered + size > blockSize && !flushBlock())
        return false;
    if (size >= blockSize)
        return writeOut(bytes, size);
    std::memcpy(block.data() + gathered, bytes, size_t(size));
    gathered += size;
    return true;
}

CopyOutcome ArchiveOutput::copyFile(QFile &source, qint64 size)
{
    return copy(source, size, true);
}

CopyOutcome ArchiveOutput::copyRange(QFile &source, qint64 offset, qint64 size)
{
    errno = 0;
    if (source.pos() != offset && !source.seek(offset))
        return {CopyResult::ReadFailed, errno ? errno : EIO};
    return copy(source, size, false);
}

CopyOutcome ArchiveOutput::copy(QFile &source, qint64 size, bool wholeFile)
{
    const qint64 wanted = wholeFile ? size + 1 : size;
    if (size < blockSize) {
        if (gathered + wanted > blockSize && !flushBlock())
            return {CopyResult::WriteFailed, error};
        // A whole file is asked for one byte more than expected, to see one that grew.
        errno = 0;
        const qint64 got = source.read(block.data() + gathered, wanted);
        if (got < 0)
            return {CopyResult::ReadFailed, errno};
        if (got != size)
            return {CopyResult::ReadShort, 0};
        gathered += got;
        if (contentCopied && !contentCopied(size))
            return {CopyResult::Cancelled, 0};
        return {};
    }

    if (!flushBlock())
        return {CopyResult::WriteFailed, error};
    // The block is empty now: it is the buffer of a copy the kernel cannot make.
    const CopyOutcome copied = copyBytes(source, device, size, block, contentCopied);
    if (copied.result != CopyResult::Done)
        return copied;
    wrote(size);
    if (!wholeFile)
        return {};
    char extra;
    errno = 0;
    const qint64 more = source.read(&extra, 1);
    if (more < 0)
        return {CopyResult::ReadFailed, errno};
    return {more == 0 ? CopyResult::Done : CopyResult::ReadShort, 0};
}

CopyOutcome ArchiveOutput::copyFrom(SourceFolder &folder, const QByteArray &name, qint64 size)
{
    int openError = 0;
    if (size >= blockSize) {
        QFile source;
        if (!folder.openFile(name, source, openError))
            return {openError == EINVAL ? CopyResult::ReadShort : CopyResult::ReadFailed,
                    openError};
        return copyFile(source, size);
    }
    if (gathered + size + 1 > blockSize && !flushBlock())
        return {CopyResult::WriteFailed, error};
    // One byte more than expected is asked for, to see a file that grew.
    const qint64 got = folder.read(name, block.data() + gathered, size + 1, openError);
    if (got < 0) // a file no longer regular has changed, as one of another size has
        return {openError == EINVAL ? CopyResult::ReadShort : CopyResult::ReadFailed, openError};
    if (got != size)
        return {CopyResult::ReadShort, 0};
    gathered += got;
    if (contentCopied && !contentCopied(size))
        return {CopyResult::Cancelled, 0};
    return {};
}

bool ArchiveOutput::finish()
{
    return flushBlock();
}
