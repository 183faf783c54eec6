// SPDX-License-Identifier: MIT
// Resources are opened relative to their folder's descriptor, looked at
// through their own descriptor, and small ones read with one call.
#include "SourceFolder.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

struct SourceFolder::Platform
{
    Platform() = default;
    ~Platform() { closeFolder(); }
    Q_DISABLE_COPY_MOVE(Platform)

    void closeFolder()
    {
        if (folderFd >= 0)
            ::close(folderFd);
        folderFd = -1;
    }
    int openRegular(const QByteArray &name, int &error) const;

    int folderFd = -1;
};

// O_NONBLOCK: a FIFO put in a file's place cannot make the open wait; on a
// regular file it changes nothing, so it stays set.
int SourceFolder::Platform::openRegular(const QByteArray &name, int &error) const
{
    const int fd = ::openat(folderFd, name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    struct stat info;
    if (fd < 0 || ::fstat(fd, &info) != 0) {
        error = errno;
        if (fd >= 0)
            ::close(fd);
        return -1;
    }
    if (!S_ISREG(info.st_mode)) {
        ::close(fd);
        error = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
        return -1;
    }
    return fd;
}

SourceFolder::SourceFolder() : platform(std::make_unique<Platform>()) {}

SourceFolder::~SourceFolder() = default;

bool SourceFolder::open(const QString &path, int &error)
{
    platform->closeFolder();
    platform->folderFd = ::open(QFile::encodeName(path).constData(),
                                O_RDONLY | O_DIRECTORY | O_NONBLOCK | O_CLOEXEC);
    if (platform->folderFd >= 0)
        return true;
    error = errno;
    return false;
}

qint64 SourceFolder::read(const QByteArray &name, char *into, qint64 capacity, int &error)
{
    const int fd = platform->openRegular(name, error);
    if (fd < 0)
        return -1;
    qint64 got = 0;
    // A regular file gives all that is asked for, up to its end, in one read;
    // the loop only covers a read cut short by a signal.
    while (got < capacity) {
        const ssize_t now = ::read(fd, into + got, size_t(capacity - got));
        if (now < 0 && errno == EINTR)
            continue;
        if (now < 0) {
            error = errno;
            ::close(fd);
            return -1;
        }
        got += now;
        if (now == 0 || got < capacity)
            break;
    }
    ::close(fd);
    return got;
}

bool SourceFolder::openFile(const QByteArray &name, QFile &file, int &error)
{
    const int fd = platform->openRegular(name, error);
    if (fd < 0)
        return false;
    errno = 0;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        error = errno;
        ::close(fd);
        return false;
    }
    return true;
}
