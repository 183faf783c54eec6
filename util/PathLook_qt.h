// SPDX-License-Identifier: MIT
#pragma once

#include <QFileInfo>
#include <QString>

// What a path names, as the portable file code sees it through Qt, by path.
// Qt tells a look-up that failed only as "not there"; the errno it left is
// kept here, taken right after the look-up (0 where the system sets none).
struct PathLook
{
    enum Kind {
        Missing, // nothing there (ENOENT, or the system said nothing more)
        Folder,
        File,    // a regular file
        Link,    // a symbolic link or junction (only when links are not followed)
        Special, // a FIFO, socket or device
        Unseen,  // the look-up failed for another reason: see `error`
    };
    enum class Links { Followed, NotFollowed };

    QFileInfo info;
    Kind kind = Missing;
    int error = 0;
};

PathLook lookAtPath(const QString &path, PathLook::Links links);
