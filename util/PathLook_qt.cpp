// SPDX-License-Identifier: MIT
#include "PathLook_qt.h"

#include <cerrno>

PathLook lookAtPath(const QString &path, PathLook::Links links)
{
    PathLook look;
    look.info = QFileInfo(path);
    errno = 0;
    if (links == PathLook::Links::NotFollowed
        && (look.info.isSymLink() || look.info.isJunction())) {
        look.kind = PathLook::Link;
        return look;
    }
    // The look-up that follows links; what follows reads what it found.
    const bool isFile = look.info.isFile();
    look.error = errno;
    if (isFile)
        look.kind = PathLook::File;
    else if (look.info.isDir())
        look.kind = PathLook::Folder;
    else if (look.error == ENOENT || (look.error == 0 && !look.info.exists()))
        look.kind = PathLook::Missing;
    else if (look.error == 0)
        look.kind = PathLook::Special;
    else
        look.kind = PathLook::Unseen;
    return look;
}
