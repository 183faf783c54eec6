// SPDX-License-Identifier: MIT
#pragma once

#include "ThemeFailure.h"

#include <QList>
#include <QString>

#include <functional>

class OpenArchive;

// What an unpack tells its caller while it writes.
struct ExtractHooks
{
    // Called with each file's path once it has been written.
    std::function<void(const QString &filePath)> fileWritten;
    // The content bytes written so far and their total, after each file and
    // within large ones; false cancels: the file being written is removed,
    // the ones before it stay.
    std::function<bool(qint64 done, qint64 total)> progress;
};

// Unpacks the entries `chosen` (positions in the archive's index, in archive
// order; every entry when null) of an open archive into `targetDir` (ending
// in "/") followed by the theme name. Each file is written whole or not at
// all; a file that cannot be written fails on its own and the others go on,
// and the failure names the first of them. An entry whose name ends in "/"
// makes its folder and writes no file.
ThemeError extractArchive(OpenArchive &archive, const QString &targetDir,
                          const QList<qsizetype> *chosen, const ExtractHooks &hooks);
