// SPDX-License-Identifier: MIT
// Through Qt, by path: what is at the path is looked at first and only a
// regular file is opened. A FIFO swapped in between the look and the open
// would make the open wait; only the POSIX code rules that out.
#include "PathLook_qt.h"
#include "RegularFile.h"

#include <QFile>

#include <cerrno>

bool openRegularFile(QFile &file, const QString &path, int &error)
{
    const PathLook look = lookAtPath(path, PathLook::Links::Followed);
    if (look.kind == PathLook::Folder || look.kind == PathLook::Special) {
        error = look.kind == PathLook::Folder ? EISDIR : EINVAL;
        return false;
    }
    // Missing or unseen: the open fails, and says why.
    file.setFileName(path);
    errno = 0;
    if (!file.open(QIODevice::ReadOnly)) {
        error = errno;
        return false;
    }
    return true;
}
