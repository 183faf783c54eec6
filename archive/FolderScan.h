// SPDX-License-Identifier: MIT
#pragma once

#include "ThemeFailure.h"
#include "ThemeRules.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// The scan's record of one file. Its name lies in the scan's block of
// names, its folder in the scan's list of folders: a tree of hundreds of
// thousands of files then takes a few dozen bytes per file.
struct SourceFile
{
    qint32 nameStart = 0;  // where its entry name ("/dir/file", UTF-8) starts in ThemeScan::names
    qint32 nameLength = 0; // and its length in bytes
    qint32 folder = 0;     // the folder it lies in, in ThemeScan::folders
    qint32 size = 0; // its size at scan time (never more than an archive holds: 16 bytes a file)
};

// What packing one folder writes: every visible file below it, in archive
// order (a folder's files by name ignoring case, then its sub-folders in the
// same order, depth first).
struct ThemeScan
{
    QByteArray names;            // the entry names, one after another
    QStringList folders;         // the folders the files lie in, as absolute paths
    QList<SourceFile> files;     // in archive order
    qint64 contentSize = 0;      // the files' sizes together
    bool folderVanished = false; // a sub-folder went away while it was scanned

    QByteArray encodedName(const SourceFile &file) const;
    // The file's own name in its folder (UTF-8), as opened there.
    QByteArray baseName(const SourceFile &file) const;
    // Where the file's contents are copied from.
    QString absolutePath(const SourceFile &file) const;
};

// Scans a folder for a pack into `archivePath` under `themeName`. Links are
// followed; FIFOs, sockets and devices are skipped, as are hidden entries.
// Fails when something cannot be packed: a folder or file that cannot be
// looked at, a name that is not UTF-8 or that the reader would refuse, the
// archive itself when it would replace a resource (an older theme archive
// at that path is left out instead), or more than an archive can hold.
ThemeError scanThemeFolder(const QString &folder, const QString &themeName,
                           const QString &archivePath, ThemeScan &scan);

// Counts one more resource in `names` (after `entriesBefore` others) and
// checks its name, `entryName` ("/img/bg.png", `length` bytes of UTF-8), as
// the reader will, with the messages of a pack; `shown` is what a message
// names. Kind None when the reader takes it.
ThemeError checkResourceName(ThemeRules::NameCheck &names, qsizetype entriesBefore,
                             const QString &entryName, qint64 length, const QString &shown);
