// SPDX-License-Identifier: MIT
#pragma once

#include "ThemeFailure.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <functional>

class ArchiveOutput;
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

// What an archive is written from: its entries in archive order, and where
// each one's contents come from.
class ArchiveContents
{
public:
    virtual ~ArchiveContents() = default;
    virtual qsizetype count() const = 0;
    // The entry's name as it is stored: UTF-8 ("/img/bg.png").
    virtual QByteArrayView name(qsizetype i) const = 0;
    virtual qint64 size(qsizetype i) const = 0;
    // How many entries from `first` on copy() appends in one go: 1, or
    // more whose contents lie one after another in one file.
    virtual qsizetype span(qsizetype first) const = 0;
    // Appends the contents of the entries `first` to `first` + span(first)
    // - 1, exactly their sizes. A cancel heard through the output ends it
    // early without a failure: the writer asks the progress itself.
    virtual ThemeError copy(ArchiveOutput &output, qsizetype first,
                            const QString &archivePath) const = 0;
};

// Writes `contents` under the theme name `theme` (its stored bytes) to
// `archivePath`, as writeThemeArchive() writes a scan: the whole index
// first, in one pass, replacing an older file only once complete and synced.
ThemeError writeArchive(const ArchiveContents &contents, const QByteArray &theme,
                        const QString &archivePath, const PackHooks &hooks);

// Appends the file at `path` to the archive being written at `archivePath`,
// as a pack copies a resource: it must hold exactly `size` bytes.
ThemeError copyResourceFile(ArchiveOutput &output, const QString &path, qint64 size,
                            const QString &archivePath);

// A write to the archive at `archivePath` that failed with `systemError`.
ThemeError archiveWriteFailure(int systemError, const QString &archivePath);
