// SPDX-License-Identifier: MIT
#pragma once

#include <QFileSystemWatcher>
#include <QHash>
#include <QObject>
#include <QSet>
#include <QStringList>
#include <QTimer>

// Watches the listed archives on disk and tells when one changed, went away
// or came back. Packers and editors often write a new file and rename it
// over the old one, which ends a watch on the file itself; so the folder
// that holds it is watched as well, and the file's watch is taken up again
// once it is back. What the system reports is looked at after a short pause,
// so a file written in many steps is read once it has settled.
// The preview pane watches the copies it opened for other programs with one
// too: editors save them the same ways.
class ArchiveWatch : public QObject
{
    Q_OBJECT

public:
    explicit ArchiveWatch(QObject *parent = nullptr);

    // `archive` as the table holds it.
    void add(const QString &archive);
    void remove(const QString &archive);

signals:
    // These archives are not as they were: changed, gone or back.
    void changed(const QStringList &archives);

private:
    // What tells a file apart from the one that was there before.
    struct Stamp
    {
        bool exists = false;
        qint64 size = -1;
        qint64 modified = 0;
        qint64 statusChanged = 0;
        bool operator==(const Stamp &other) const;
    };
    static Stamp stampOf(const QString &archive);
    static QString folderOf(const QString &archive);

    void noteFolder(const QString &folder);
    void noteFile(const QString &file);
    void check();
    void keepWatching(const QString &archive);

    QFileSystemWatcher watcher;
    QHash<QString, Stamp> stamps;             // every archive watched, as last seen
    QHash<QString, QSet<QString>> archivesIn; // by the folder that holds them
    QSet<QString> pending;                    // to be looked at once things settle
    QTimer settle;
};
