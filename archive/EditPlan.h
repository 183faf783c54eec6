// SPDX-License-Identifier: MIT
#pragma once

#include "ThemeFailure.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

class ThemeIndex;
struct ArchiveChange;

// One resource of an edited archive, and where its contents come from.
struct EditedEntry
{
    QString path; // below the theme folder: "img/bg.png"
    qint64 size = 0;
    qint64 offset = -1; // where its contents lie in the old archive; -1: in a file
    qint32 file = -1;   // the file it is added from, in EditPlan's list of them
};

// The resources of an archive as a list of changes leaves them, worked out
// before anything is written: what a pack of the unpacked folder, so changed,
// would hold, in the order it would write them.
class EditPlan
{
public:
    // Starts from what an unpack of the archive at `archivePath`, whose
    // index is `index`, would leave on disk.
    EditPlan(const ThemeIndex &index, const QString &archivePath);

    // Applies one change. On failure the plan is not to be used; names that
    // chose nothing go to `unmatched` (and fail the change).
    ThemeError apply(const ArchiveChange &change, QStringList &unmatched);

    // Checks every name as the reader will, and puts the resources in the
    // order of a pack, with their stored names.
    ThemeError finish();

    // The resources, once finished, in archive order.
    qsizetype count() const { return list.size(); }
    QByteArrayView name(qsizetype i) const // as it is stored: "/img/bg.png"
    {
        return QByteArrayView(nameBlock).sliced(nameStarts[i], nameStarts[i + 1] - nameStarts[i]);
    }
    qint64 size(qsizetype i) const { return list[i].size; }
    // Where its contents lie in the old archive; -1 for one added from file().
    qint64 offset(qsizetype i) const { return list[i].offset; }
    QString file(qsizetype i) const { return addedFiles.value(list[i].file); }
    QByteArray theme() const;

private:
    ThemeError add(const QString &source, const QString &path);
    ThemeError addFolder(const QString &source, const QString &folder);
    ThemeError remove(const QStringList &names, bool wildcards, QStringList &unmatched);
    ThemeError rename(const QString &path, const QString &newPath, QStringList &unmatched);
    ThemeError givenPath(const QString &given, bool mayBeEmpty, QString &path) const;
    void put(const QString &path, qint64 size, const QString &file);
    void compact();
    void putInPackOrder();
    QString clashOfFileAndFolder() const;

    QString themeName;
    QString archive;
    QList<EditedEntry> list;
    QList<bool> removed; // by position in `list`, until finish()
    qsizetype removedCount = 0;
    QHash<QString, qsizetype> byPath; // the resources not removed, once one is added
    bool indexed = false;
    QStringList addedFiles;
    QByteArray nameBlock;     // the stored names, one after another,
    QList<qint32> nameStarts; // where each starts, and the end of the last
};
