// SPDX-License-Identifier: MIT
#include "RegularFile.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

bool openRegularFile(QFile &file, const QString &path, int &error)
{
#ifdef Q_OS_UNIX
    // Opened without waiting, looked at through the descriptor (so nothing
    // can be swapped in between), and only then read normally.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    struct stat info;
    if (fd < 0 || ::fstat(fd, &info) != 0) {
        error = errno;
        if (fd >= 0)
            ::close(fd);
        return false;
    }
    if (!S_ISREG(info.st_mode)) {
        ::close(fd);
        error = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
        return false;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    file.setFileName(path); // before opening: naming an open file would close it
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        error = EBADF;
        return false;
    }
    return true;
#else
    const QFileInfo info(path);
    if (info.exists() && !info.isFile()) {
        error = info.isDir() ? EISDIR : EINVAL;
        return false;
    }
    file.setFileName(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = info.exists() ? EACCES : ENOENT;
        return false;
    }
    return true;
#endif
}
