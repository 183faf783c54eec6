// SPDX-License-Identifier: MIT
#pragma once

#include "util/StreamCopy.h"

#include <QByteArray>

class QFile;
class QFileDevice;
class QIODevice;
class SourceFolder;

// Writes an archive front to back: small resources are gathered into one
// block and written together, large ones are copied on their own (by the
// kernel where it can), so memory stays flat whatever their size. Into a file,
// disk writes are started along the way, so the sync before the finished
// archive replaces the old one has little left to wait for.
class ArchiveOutput
{
public:
    // `contentCopied`, when set, hears of the content bytes as they are
    // copied (per resource, and per chunk of a large one); false cancels.
    explicit ArchiveOutput(QIODevice &archive, ChunkCallback copied = {});

    // Appends bytes of the archive's front (header, index, names): gathered
    // into large blocks, so that many small fields cost few writes.
    bool append(const char *bytes, qint64 size);

    // Appends exactly `size` bytes of `source` (opened for reading); a file
    // that holds fewer or more bytes than that gives ReadShort.
    CopyOutcome copyFile(QFile &source, qint64 size);

    // Appends the resource `name` of `folder`, exactly `size` bytes, as
    // copyFile() does; a small one is read straight into the gathered block.
    CopyOutcome copyFrom(SourceFolder &folder, const QByteArray &name, qint64 size);

    // Appends the `size` bytes of `source` that start at `offset` (contents
    // of another archive); a file that ends before them gives ReadShort.
    CopyOutcome copyRange(QFile &source, qint64 offset, qint64 size);

    // Writes out what is still gathered.
    bool finish();

    // The system's error number (errno) of the last failed write.
    int systemError() const { return error; }

private:
    // Appends `size` bytes from where `source` stands; with `wholeFile`, a
    // source that holds more than that gives ReadShort too.
    CopyOutcome copy(QFile &source, qint64 size, bool wholeFile);
    bool writeOut(const char *bytes, qint64 size);
    bool flushBlock();
    void wrote(qint64 bytes);

    QIODevice &device;
    QFileDevice *file; // null when the device is not a file
    QByteArray block;
    qint64 gathered = 0;
    qint64 sinceWriteback = 0;
    ChunkCallback contentCopied;
    int error = 0;
};
