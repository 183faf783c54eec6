// SPDX-License-Identifier: MIT
#include "ArchiveWatch.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

#include <utility>

namespace {

// Long enough for the steps of one write to arrive together, short enough
// to seem at once.
constexpr int settleMs = 150;

} // namespace

bool ArchiveWatch::Stamp::operator==(const Stamp &other) const
{
    return exists == other.exists && size == other.size && modified == other.modified
           && statusChanged == other.statusChanged;
}

ArchiveWatch::Stamp ArchiveWatch::stampOf(const QString &archive)
{
    const QFileInfo info(archive);
    Stamp stamp;
    stamp.exists = info.isFile();
    if (stamp.exists) {
        stamp.size = info.size();
        stamp.modified = info.lastModified().toMSecsSinceEpoch();
        stamp.statusChanged = info.metadataChangeTime().toMSecsSinceEpoch();
    }
    return stamp;
}

QString ArchiveWatch::folderOf(const QString &archive)
{
    return QFileInfo(archive).absolutePath();
}

ArchiveWatch::ArchiveWatch(QObject *parent) : QObject(parent)
{
    settle.setSingleShot(true);
    settle.setInterval(settleMs);
    connect(&settle, &QTimer::timeout, this, &ArchiveWatch::check);
    connect(&watcher, &QFileSystemWatcher::fileChanged, this, &ArchiveWatch::noteFile);
    connect(&watcher, &QFileSystemWatcher::directoryChanged, this, &ArchiveWatch::noteFolder);
}

void ArchiveWatch::add(const QString &archive)
{
    stamps.insert(archive, stampOf(archive));
    archivesIn[folderOf(archive)].insert(archive);
    keepWatching(archive);
}

void ArchiveWatch::remove(const QString &archive)
{
    stamps.remove(archive);
    pending.remove(archive);
    watcher.removePath(archive);
    const QString folder = folderOf(archive);
    QSet<QString> &neighbours = archivesIn[folder];
    neighbours.remove(archive);
    if (neighbours.isEmpty()) { // no other archive there needs the folder watched
        archivesIn.remove(folder);
        watcher.removePath(folder);
    }
}

// Watches the archive and its folder, where they are not watched (any more).
void ArchiveWatch::keepWatching(const QString &archive)
{
    const QString folder = folderOf(archive);
    if (!watcher.directories().contains(folder) && QFileInfo(folder).isDir())
        watcher.addPath(folder);
    if (!watcher.files().contains(archive) && QFileInfo(archive).isFile())
        watcher.addPath(archive);
}

void ArchiveWatch::noteFile(const QString &file)
{
    if (!stamps.contains(file))
        return;
    pending.insert(file);
    if (!settle.isActive())
        settle.start();
}

void ArchiveWatch::noteFolder(const QString &folder)
{
    const QSet<QString> archives = archivesIn.value(folder);
    if (archives.isEmpty())
        return;
    pending.unite(archives);
    if (!settle.isActive())
        settle.start();
}

void ArchiveWatch::check()
{
    QStringList changedArchives;
    const QSet<QString> looking = std::exchange(pending, {});
    for (const QString &archive : looking) {
        const auto seen = stamps.find(archive);
        if (seen == stamps.end())
            continue;
        keepWatching(archive);
        const Stamp now = stampOf(archive);
        if (now == seen.value())
            continue;
        seen.value() = now;
        changedArchives.append(archive);
    }
    if (!changedArchives.isEmpty())
        emit changed(changedArchives);
}
