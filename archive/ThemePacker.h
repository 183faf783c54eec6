// SPDX-License-Identifier: MIT
#pragma once

#include "ThemeFailure.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

class ListedFolder;
class QIODevice;

// Packs one theme resource folder into one .tsk theme archive.
//
// The folder is scanned first, the whole index is computed from the sizes the
// scan found, and the archive is then written front to back in one pass.
class ThemePacker
{
public:
    // The scan's record of one file.
    struct SourceFile
    {
        QByteArray encodedName; // entry name ("/dir/file") in UTF-8
        qint32 padLength = 0;   // zero bytes after the name: 1 to 4
        qint64 size = 0;        // size at scan time
        QString absolutePath;   // where the contents are copied from
    };

    QString folderPath;    // input: folder to pack
    QString themeName;     // input, or the folder's own name when empty
    QString themeFilePath; // input, or "<beside the folder>/<themeName>.tsk" when empty
    QString errorString;   // English message of the last failure; never cleared
    ThemeFailure failure = ThemeFailure::None; // what kind of failure errorString tells of
    QString systemError; // the system's reason for it ("No space left on device"), or empty

    // Called with each entry name just before its contents are copied.
    std::function<void(const QString &entryName)> entryStarted;

    // Optional, for long packs: hears of the content bytes copied so far and
    // their total, after each resource and within large ones (on the thread
    // that runs pack()); returning false cancels the pack, which then leaves
    // no archive behind, and any older one as it was.
    std::function<bool(qint64 done, qint64 total)> progress;

    // Scans folderPath and writes the archive to themeFilePath. The archive is
    // replaced atomically: on failure an existing archive stays as it was.
    bool pack();

    // Like pack(), but writes into an open device instead of themeFilePath.
    // themeFilePath (when set) still keeps the archive itself out of the scan.
    bool packToDevice(QIODevice &archive);

    // Appends one SourceFile per visible file below `folder`, the folder's
    // files first (by name, ignoring case), then its sub-folders depth first.
    // Links are followed; FIFOs, sockets and devices are skipped. Returns
    // false, with errorString set, when something cannot be packed: a
    // folder or file that cannot be looked at, a name that is not UTF-8 or
    // that the reader would refuse, the archive itself when it would replace
    // a resource, or more than an archive can hold.
    bool scanFolder(const QString &folder, QList<SourceFile> &files, const QString &prefix);

    // Bytes of content that packing folderPath would copy, found by a scan
    // alone; lets a caller show the progress of several packs as one.
    qint64 contentSize();

    static QByteArray encodeInt32(qint32 value);

    // Empties the three inputs; errorString keeps its value.
    void reset();

private:
    bool fail(ThemeFailure kind, const QString &message, const QString &reason = QString());
    bool failWithSystemError(ThemeFailure kind, const QString &message, int systemError);
    bool scanOpenFolder(const ListedFolder &folder, int openError, const QString &path,
                        QList<SourceFile> &files, const QString &prefix);
    bool prepare(QList<SourceFile> &files, QByteArray &head);
    bool writeArchive(QIODevice &archive, const QList<SourceFile> &files, const QByteArray &head);
    QString defaultThemeFilePath() const;

    // What one scan keeps track of.
    struct FileId
    {
        quint64 device = 0;
        quint64 inode = 0;
        bool operator==(const FileId &other) const
        {
            return device == other.device && inode == other.inode;
        }
    };
    // The folders on the current scan path: a link that leads back to one of
    // them would make the scan endless.
    QList<FileId> foldersBeingScanned;
    // The archive about to be written, when a file is there already: an
    // older archive is never packed into the new one, and anything else
    // there is a resource it must not replace.
    FileId archiveId;
    bool archiveExists = false;
    bool archiveIsTheme = false;
    // Files and folders met, and the bytes the archive would take so far:
    // a scan stops as soon as one passes what an archive can hold.
    qint64 scannedFiles = 0;
    qint64 scannedFolders = 0;
    qint64 scannedNameBytes = 0;
    qint64 scannedPathCharacters = 0;
    qint64 scannedBytes = 0;
};
