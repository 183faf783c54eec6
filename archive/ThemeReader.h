#pragma once

#include "ThemeEntry.h"

#include <QByteArray>
#include <QString>

#include <functional>

// Reads theme archives: the index of one (readIndex) or the whole of one
// unpacked into a folder (extract).
class ThemeReader
{
public:
    QString targetDir;     // extract(): folder to unpack into; empty means beside the archive
    QString themeName;     // extract(): theme name read from the archive
    QString version;       // version of the last archive read, "major.minor.patch"
    QString themeFilePath; // extract(): the archive to unpack
    QString errorString;   // English message of the last failure; never cleared

    // Called with each file's path once it has been written by extract().
    std::function<void(const QString &filePath)> fileWritten;

    // Optional, for long unpacks: hears of the content bytes written so far
    // and their total, after each file and within large ones (on the thread
    // that runs extract()); returning false cancels: the file being written
    // is removed, the ones before it stay.
    std::function<bool(qint64 done, qint64 total)> progress;

    // Appends the archive's entries to `entries` and sets `themeName` without
    // reading any content. On failure neither argument is changed.
    bool readIndex(const QString &archivePath, ThemeEntryList &entries, QString &themeName);

    // Unpacks themeFilePath into targetDir + themeName. A damaged or unsafe
    // archive is refused before anything is written.
    bool extract();

    // First four bytes, little-endian; 0 when there are fewer than four.
    static qint32 decodeInt32(const QByteArray &bytes);
};
