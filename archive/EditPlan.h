// SPDX-License-Identifier: MIT
#pragma once

#include "ThemeFailure.h"

#include <QByteArray>
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
    qint64 offset = -1;   // where its contents lie in the old archive; -1: in `file`
    QString file;         // the file on disk it is added from
    qint32 nameStart = 0; // its stored name in EditPlan::names(), once finished
    qint32 nameLength = 0;
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

    const QList<EditedEntry> &entries() const { return list; }
    const QByteArray &names() const { return nameBlock; }
    QByteArray theme() const;

private:
    ThemeError add(const QString &source, const QString &path);
    ThemeError addFolder(const QString &source, const QString &folder);
    ThemeError remove(const QStringList &names, bool wildcards, QStringList &unmatched);
    ThemeError rename(const QString &path, const QString &newPath, QStringList &unmatched);
    ThemeError givenPath(const QString &given, bool mayBeEmpty, QString &path) const;
    void put(EditedEntry entry);
    void compact();
    QString clashOfFileAndFolder() const;

    QString themeName;
    QString archive;
    QList<EditedEntry> list;
    QList<bool> removed;              // by position in `list`, until finish()
    QHash<QString, qsizetype> byPath; // the resources not removed
    QByteArray nameBlock;
};
