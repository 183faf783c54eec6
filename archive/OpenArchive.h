// SPDX-License-Identifier: MIT
#pragma once

#include "ThemeFailure.h"
#include "ThemeIndex.h"

#include <QFile>
#include <QString>

// An archive opened for reading, with its index read and checked: the steps
// every read of an archive starts with, done once per archive.
class OpenArchive
{
public:
    // Opens the archive at `path` (never waiting on a FIFO) and reads its
    // index. On failure nothing is kept open.
    ThemeError open(const QString &path);

    QFile file;
    ThemeIndex index;
};
