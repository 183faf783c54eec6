// SPDX-License-Identifier: MIT
#pragma once

#include "ArchiveWriter.h"
#include "FolderScan.h"
#include "ThemeFailure.h"

#include <QByteArray>
#include <QString>

#include <functional>

// Packs one theme resource folder into one .tsk theme archive.
//
// The folder is scanned first, the whole index is computed from the sizes the
// scan found, and the archive is then written front to back in one pass.
class ThemePacker
{
public:
    QString folderPath;    // input: folder to pack
    QString themeName;     // input, or the folder's own name when empty
    QString themeFilePath; // input, or "<beside the folder>/<themeName>.tsk" when empty
    QString errorString;   // English message of the last failure; never cleared
    ThemeError error;      // the last failure whole: kind, message, errno, path

    // Called with each entry name just before its contents are copied.
    std::function<void(const QString &entryName)> entryStarted;

    // Optional, for long packs: hears of the content bytes copied so far and
    // their total, after each resource and within large ones (on the thread
    // that runs pack()); returning false cancels the pack, which then leaves
    // no archive behind, and any older one as it was.
    std::function<bool(qint64 done, qint64 total)> progress;

    // Scans folderPath and writes the archive to themeFilePath: prepare(),
    // then write(). The archive is replaced atomically: on failure an
    // existing archive stays as it was.
    bool pack();

    // The first half of pack(): fills in the defaults, checks the names
    // against what the reader takes and scans the folder; nothing is written.
    bool prepare();
    // The second half: writes the archive of the last prepare().
    bool write();
    // The content bytes the prepared archive copies.
    qint64 contentSize() const { return scanned.contentSize; }

    static QByteArray encodeInt32(qint32 value);

    // Empties the three inputs; errorString keeps its value.
    void reset();

private:
    bool fail(const ThemeError &failure);
    bool checkThemeName(bool namesArchive);

    ThemeScan scanned;
};
