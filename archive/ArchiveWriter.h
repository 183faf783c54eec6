// SPDX-License-Identifier: MIT
#pragma once

#include "ThemeFailure.h"

#include <QString>

#include <functional>

struct ThemeScan;

// What a pack tells its caller while it writes.
struct PackHooks
{
    // Called with each entry name just before its contents are copied.
    std::function<void(const QString &entryName)> entryStarted;
    // The content bytes copied so far and their total, after each resource
    // and within large ones; false cancels the pack.
    std::function<bool(qint64 done, qint64 total)> progress;
};

// Writes the archive of `scan` with the theme name `themeName` to
// `archivePath`. The whole index is computed from the scan before anything
// is written, so the archive is written front to back in one pass; it is
// written beside an older file of that name and replaces it, synced to
// disk, only once complete, so a failed or cancelled pack leaves no archive
// behind and any older one as it was. A FIFO or device at that path is
// never replaced.
ThemeError writeThemeArchive(const ThemeScan &scan, const QString &themeName,
                             const QString &archivePath, const PackHooks &hooks);
