// SPDX-License-Identifier: MIT
#pragma once

#include "ThemeEntry.h"
#include "ThemeFailure.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

class OpenArchive;
class QIODevice;
class ThemeIndex;

// Reads theme archives: the index of one (readIndex) or the whole of one
// unpacked into a folder (extract). Each operation reads the archive's index
// once.
class ThemeReader
{
public:
    QString targetDir;     // extract(): folder to unpack into; empty means beside the archive
    QString themeName;     // extract(): theme name read from the archive
    QString version;       // version of the last archive read, "major.minor.patch"
    QString themeFilePath; // extract(): the archive to unpack
    QString errorString;   // English message of the last failure; never cleared
    ThemeError error;      // the last failure whole: kind, message, errno, path

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

    // Like readIndex(), but hands over the index as it is kept (names
    // decoded when asked for): for callers that go through it once.
    bool readIndex(const QString &archivePath, ThemeIndex &index);

    // Unpacks themeFilePath into targetDir + themeName. A damaged or unsafe
    // archive is refused before anything is written.
    bool extract();

    // Like extract(), but writes only the entries named in `names` (entry
    // names as the index holds them, "/img/bg.png"), with the same checks.
    bool extractEntries(const QStringList &names);

    // Like extract(), but writes only the entries that `patterns` choose
    // (see selectEntries()); `unmatched` receives the patterns that chose
    // nothing.
    bool extractMatching(const QStringList &patterns, QStringList &unmatched);

    // Writes the contents of the resource at `path` below the theme folder
    // ("img/bg.png") of the archive at `archivePath` into `out`, after the
    // same checks as extract().
    bool readEntry(const QString &archivePath, const QString &path, QIODevice &out);

    // First four bytes, little-endian; 0 when there are fewer than four.
    static qint32 decodeInt32(const QByteArray &bytes);

private:
    bool fail(const ThemeError &failure);
    bool open(OpenArchive &archive, const QString &path);
    bool unpack(const std::function<QList<qsizetype>(const ThemeIndex &)> &choose);
};
