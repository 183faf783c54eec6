// SPDX-License-Identifier: MIT
#include "FileOwner.h"

#include <QFile>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#include <unistd.h>
#endif

void takeOverOwnership(QFileDevice &replacement, const QString &oldPath)
{
#ifdef Q_OS_UNIX
    struct stat old;
    struct stat now;
    const int fd = replacement.handle();
    if (fd < 0 || ::stat(QFile::encodeName(oldPath).constData(), &old) != 0
        || ::fstat(fd, &now) != 0)
        return;
    // Refused unless allowed (another owner, a group the user is not in):
    // then the new file stays the user's, as the system made it.
    if (old.st_uid != now.st_uid || old.st_gid != now.st_gid)
        (void)::fchown(fd, old.st_uid, old.st_gid);
    ::fchmod(fd, old.st_mode & 0777); // after fchown, which clears some bits
#else
    Q_UNUSED(replacement);
    Q_UNUSED(oldPath);
#endif
}
