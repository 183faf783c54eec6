// SPDX-License-Identifier: MIT
#pragma once

#include "ThemeEntry.h"
#include "ThemeFailure.h"

#include <QByteArray>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>

class QFile;
class QIODevice;
struct ThemeIndex;

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
    ThemeFailure failure = ThemeFailure::None; // what kind of failure errorString tells of
    QString systemError; // the system's reason for it ("No space left on device"), or empty
    // readEntry(): the system's error number (errno) when writing to `out`
    // failed, else 0; so a caller tells its own output's failure (a closed
    // pipe, a full disk) from the archive's.
    int outputError = 0;

    // Called with each file's path once it has been written by extract().
    std::function<void(const QString &filePath)> fileWritten;

    // Optional, for long unpacks: hears of the content bytes written so far
    // and their total, after each file and within large ones (on the thread
    // that runs extract()); returning false cancels: the file being written
    // is removed, the ones before it stay.
    std::function<bool(qint64 done, qint64 total)> progress;

    // Appends the archive's entries to `entries` and sets `name` to its theme
    // name, without reading any content. On failure neither argument is changed.
    bool readIndex(const QString &archivePath, ThemeEntryList &entries, QString &name);

    // Unpacks themeFilePath into targetDir + themeName. A damaged or unsafe
    // archive is refused before anything is written.
    bool extract();

    // Like extract(), but writes only the entries named in `names` (entry
    // names as the index holds them, "/img/bg.png"), with the same checks.
    bool extractEntries(const QStringList &names);

    // Writes the contents of the entry `name` of the archive at `archivePath`
    // into `out`, after the same checks as extract().
    bool readEntry(const QString &archivePath, const QString &name, QIODevice &out);

    // First four bytes, little-endian; 0 when there are fewer than four.
    static qint32 decodeInt32(const QByteArray &bytes);

private:
    bool fail(ThemeFailure kind, const QString &message, const QString &reason = QString());
    // The steps every operation starts with: the archive exists, opens and
    // holds a sound, safe index.
    bool openArchive(QFile &archive, ThemeIndex &index);
    bool unpack(const QSet<QString> *wanted);
};
