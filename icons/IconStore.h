// SPDX-License-Identifier: MIT
#pragma once

#include <QIcon>
#include <QList>
#include <QSize>
#include <QString>
#include <QStringList>

// Small (16 x 16) and large (32 x 32) icons for the standard places and for
// file extensions. An extension's icon is the platform's icon for an empty
// sample file of that extension, kept in a cache folder for later runs; each
// icon is rendered once and then served from memory.
class IconStore
{
public:
    IconStore();

    // Standard entries 0 to 6: Computer, Desktop, Trashcan, Network, Drive,
    // Folder, File; a null icon for any index without an entry.
    QIcon standardIcon(int index, bool large) const;

    // The icon for an extension (".png") or the path of an existing file;
    // null when none can be had.
    QIcon icon(const QString &key, bool large);

    // Index of the entry for `key`, added on first use; -1 when no icon can be had.
    int indexOf(const QString &key);
    int addIcon(const QString &key);
    QIcon iconForPath(const QString &path);

    // Adds an entry from two ready icons; -1 when `name` is empty or an icon is null.
    int addIcons(const QIcon &large, const QIcon &small, const QString &name);
    // The same, with `overlay` stretched over each icon.
    int addIconsWithOverlay(const QIcon &large, const QIcon &small, const QIcon &overlay,
                            const QString &name);

private:
    int appendEntry(const QIcon &large, const QIcon &small, const QString &name);

    QStringList names;
    QList<QIcon> largeIcons;
    QSize largeSize;
    QList<QIcon> smallIcons;
    QSize smallSize;
    QString cachePath;  // empty when the cache folder cannot be made
    bool removeSamples; // sample files go right after use when there is no cache folder
};
