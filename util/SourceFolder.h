// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QString>

#include <memory>

class QFile;

// The folder a pack reads resources from, file after file. On POSIX systems
// (SourceFolder_posix.cpp) the folder is opened once and each file relative
// to it, and a small file is read with one call, without a QFile: a pack of
// many small files spends most of its time in these calls. Elsewhere
// (SourceFolder_qt.cpp) each file is opened by path with openRegularFile().
// Either way only a regular file is read (a FIFO is never waited on), and
// links are followed.
class SourceFolder
{
public:
    SourceFolder();
    ~SourceFolder();
    Q_DISABLE_COPY_MOVE(SourceFolder)

    // Opens the folder at `path`, closing the one before; false with
    // `error` set (the system's error number) when it cannot.
    bool open(const QString &path, int &error);

    // Reads the regular file `name` (UTF-8, as stored on disk) into `into`,
    // at most `capacity` bytes: how many it read, or -1 with `error` set
    // (EISDIR for a folder, EINVAL for anything else that is not a regular
    // file, as openRegularFile() says).
    qint64 read(const QByteArray &name, char *into, qint64 capacity, int &error);

    // Opens the regular file `name` into `file`, for a copy in chunks.
    bool openFile(const QByteArray &name, QFile &file, int &error);

private:
    struct Platform; // the open folder: a descriptor, or its path
    std::unique_ptr<Platform> platform;
};
