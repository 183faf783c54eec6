// SPDX-License-Identifier: MIT
#include "OpenArchive.h"

#include "util/RegularFile.h"

#include <QFileInfo>

#include <cerrno>

namespace {
const char missingMessage[] = "The specified theme file is NOT exists.";
const char openFailedMessage[] = "Can NOT open the theme file.";
} // namespace

ThemeError OpenArchive::open(const QString &path)
{
    if (!QFileInfo::exists(path))
        return {ThemeFailure::Missing, QLatin1String(missingMessage), 0, QString(), path};
    int error = 0;
    if (!openRegularFile(file, path, error)) { // a FIFO would make the open wait forever
        const bool special = error == EINVAL;
        return {ThemeFailure::Unreadable, QLatin1String(openFailedMessage), special ? 0 : error,
                special ? QStringLiteral("Not a regular file") : QString(), path};
    }
    ThemeError read = readThemeIndex(file, file.size(), index);
    if (read.failed()) {
        file.close();
        read.path = path;
    }
    return read;
}
