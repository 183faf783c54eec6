// SPDX-License-Identifier: MIT
#include "FileLock.h"

#include <QFile>

#include <cerrno>
#include <sys/file.h>
#include <sys/stat.h>

bool lockForEditing(QFileDevice &file, const QString &path, int &error)
{
    error = 0;
    const int fd = file.handle();
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        error = errno;
        return false;
    }
    struct stat locked;
    struct stat named;
    if (::fstat(fd, &locked) != 0 || ::stat(QFile::encodeName(path).constData(), &named) != 0) {
        error = errno;
        return false;
    }
    return locked.st_dev == named.st_dev && locked.st_ino == named.st_ino;
}
