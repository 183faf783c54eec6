// SPDX-License-Identifier: MIT
#include "IconStore.h"

#include <QDir>
#include <QFile>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QPainter>
#include <QPixmap>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace {

// One pixmap at the given size, so drawing never asks the platform again.
QIcon rendered(const QIcon &icon, const QSize &size)
{
    return QIcon(icon.pixmap(size, QIcon::Normal, QIcon::Off));
}

QIcon withOverlay(const QIcon &base, const QIcon &overlay, const QSize &size)
{
    QPixmap pixmap = base.pixmap(size, QIcon::Normal, QIcon::Off);
    const QImage top = overlay.pixmap(size, QIcon::Normal, QIcon::Off).toImage();
    QPainter painter(&pixmap);
    painter.drawImage(QRect(QPoint(0, 0), size), top, QRect(0, 0, top.width(), top.height()));
    painter.end();
    return QIcon(pixmap);
}

// The icon for a file: the icon theme's icon for its type, judged by its
// name alone (so an empty sample file stands for its extension), else what
// the platform's icon provider gives (the shell's icons on Windows, the
// style's generic file icon elsewhere).
QIcon fileIcon(const QFileInfo &info)
{
    const QMimeType type = QMimeDatabase().mimeTypeForFile(info, QMimeDatabase::MatchExtension);
    for (const QString &name : {type.iconName(), type.genericIconName()}) {
        QIcon themed = QIcon::fromTheme(name);
        if (!themed.isNull())
            return themed;
    }
    return QFileIconProvider().icon(info);
}

} // namespace

IconStore::IconStore() : largeSize(32, 32), smallSize(16, 16), removeSamples(false)
{
    const QDir cache(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
                     + QStringLiteral("/Orvane/IconResource/IconCache"));
    if (QDir().mkpath(cache.absolutePath()))
        cachePath = cache.absolutePath();
    else
        removeSamples = true;

    static const struct
    {
        QAbstractFileIconProvider::IconType type;
        const char *name;
    } standard[] = {
        {QAbstractFileIconProvider::Computer, "Computer"},
        {QAbstractFileIconProvider::Desktop, "Desktop"},
        {QAbstractFileIconProvider::Trashcan, "Trashcan"},
        {QAbstractFileIconProvider::Network, "Network"},
        {QAbstractFileIconProvider::Drive, "Drive"},
        {QAbstractFileIconProvider::Folder, "Folder"},
        {QAbstractFileIconProvider::File, "File"},
    };
    const QFileIconProvider provider;
    for (const auto &entry : standard) {
        const QIcon icon = provider.icon(entry.type);
        largeIcons.append(rendered(icon, largeSize));
        smallIcons.append(rendered(icon, smallSize));
        names.append(QLatin1String(entry.name));
    }
}

QIcon IconStore::standardIcon(int index, bool large) const
{
    if (index < 0 || index >= names.size())
        return QIcon();
    return large ? largeIcons.at(index) : smallIcons.at(index);
}

QIcon IconStore::icon(const QString &key, bool large)
{
    const int index = indexOf(key);
    if (index < 0)
        return QIcon();
    return large ? largeIcons.at(index) : smallIcons.at(index);
}

int IconStore::indexOf(const QString &key)
{
    // Keys are lower case with "\" separators; the standard names are
    // capitalised, so a key never finds a standard entry.
    QString normalised = key;
    normalised.replace(QLatin1Char('/'), QLatin1Char('\\'));
    normalised = normalised.toLower();
    const int index = int(names.indexOf(normalised));
    return index >= 0 ? index : addIcon(normalised);
}

int IconStore::addIcon(const QString &key)
{
    if (key.isEmpty())
        return -1;
    QIcon icon;
    QString name;
    const QFileInfo existing(key);
    if (existing.exists()) {
        name = existing.absoluteFilePath().toLower();
        icon = iconForPath(existing.absoluteFilePath());
    } else if (!removeSamples) {
        name = key.toLower();
        icon = iconForPath(cachePath + QStringLiteral("/template") + key);
    } else {
        // No cache folder: the sample lives in a private folder for as long
        // as the platform needs to look at it.
        name = key.toLower();
        const QTemporaryDir scratch;
        if (scratch.isValid())
            icon = iconForPath(scratch.path() + QStringLiteral("/template") + key);
    }
    if (icon.isNull())
        return -1;
    return appendEntry(rendered(icon, largeSize), rendered(icon, smallSize), name);
}

QIcon IconStore::iconForPath(const QString &path)
{
    QFileInfo info(path);
    if (info.exists())
        return fileIcon(info);

    QFile sample(path);
    if (sample.open(QIODevice::WriteOnly))
        sample.close();
    info.refresh();
    if (!info.exists())
        return QIcon();
    QIcon icon = fileIcon(info);
    if (removeSamples)
        QFile::remove(path);
    return icon;
}

int IconStore::addIcons(const QIcon &large, const QIcon &small, const QString &name)
{
    if (name.isEmpty() || large.isNull() || small.isNull())
        return -1;
    return appendEntry(rendered(large, largeSize), rendered(small, smallSize), name);
}

int IconStore::addIconsWithOverlay(const QIcon &large, const QIcon &small, const QIcon &overlay,
                                   const QString &name)
{
    if (name.isEmpty() || large.isNull() || small.isNull() || overlay.isNull())
        return -1;
    return appendEntry(withOverlay(large, overlay, largeSize),
                       withOverlay(small, overlay, smallSize), name);
}

int IconStore::appendEntry(const QIcon &large, const QIcon &small, const QString &name)
{
    largeIcons.append(large);
    smallIcons.append(small);
    names.append(name);
    return int(names.size()) - 1;
}
