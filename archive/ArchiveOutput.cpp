#include "ArchiveOutput.h"

#include "util/Writeback.h"

#include <QFile>

namespace {
// Resources below this size are gathered; it is also the copy chunk size.
constexpr qint64 blockSize = 1024 * 1024;
// How much is written between two requests to start disk writes: often
// enough that the disk is kept busy from early on.
constexpr qint64 writebackInterval = 4 * 1024 * 1024;
} // namespace

ArchiveOutput::ArchiveOutput(QIODevice &device, ChunkCallback contentCopied)
    : device(device),
      file(qobject_cast<QFileDevice *>(&device)),
      block(blockSize, Qt::Uninitialized),
      contentCopied(std::move(contentCopied))
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

bool ArchiveOutput::flushBlock()
{
    const bool written = device.write(block.constData(), gathered) == gathered;
    wrote(gathered);
    gathered = 0;
    return written;
}

bool ArchiveOutput::write(const QByteArray &bytes)
{
    if (!flushBlock() || device.write(bytes) != bytes.size())
        return false;
    wrote(bytes.size());
    return true;
}

ArchiveOutput::Result ArchiveOutput::copyFile(QFile &source, qint64 size)
{
    if (size < blockSize) {
        if (gathered + size + 1 > blockSize && !flushBlock())
            return Result::WriteFailed;
        // One byte more than expected is asked for, to see a file that grew.
        const qint64 got = source.read(block.data() + gathered, size + 1);
        if (got < 0)
            return Result::ReadFailed;
        if (got != size)
            return Result::SizeChanged;
        gathered += got;
        return contentCopied && !contentCopied(size) ? Result::Cancelled : Result::Done;
    }

    if (!flushBlock())
        return Result::WriteFailed;
    if (copyBuffer.isEmpty())
        copyBuffer.resize(blockSize);
    switch (copyBytes(source, device, size, copyBuffer, contentCopied)) {
    case CopyResult::Done:
        break;
    case CopyResult::ReadShort:
        return source.error() == QFileDevice::NoError ? Result::SizeChanged : Result::ReadFailed;
    case CopyResult::WriteFailed:
        return Result::WriteFailed;
    case CopyResult::Cancelled:
        return Result::Cancelled;
    }
    wrote(size);
    char extra;
    return source.read(&extra, 1) == 0 ? Result::Done : Result::SizeChanged;
}

bool ArchiveOutput::finish()
{
    return flushBlock();
}
