// SPDX-License-Identifier: MIT
#include "ResourcePaths.h"

#include <QSet>
#include <QTreeWidgetItem>

QString resourcePath(const QTreeWidgetItem *item)
{
    QStringList names;
    for (; item && item->parent(); item = item->parent())
        names.prepend(item->text(0));
    return names.join(QLatin1Char('/'));
}

QTreeWidgetItem *itemAtPath(QTreeWidgetItem *top, const QString &path)
{
    QTreeWidgetItem *item = top;
    for (const QString &name : path.split(QLatin1Char('/'))) {
        QTreeWidgetItem *below = nullptr;
        for (int i = 0; item && i < item->childCount() && !below; ++i) {
            if (item->child(i)->text(0) == name)
                below = item->child(i);
        }
        item = below;
    }
    return item;
}

bool isResourceFile(const QTreeWidgetItem *item, const QVariantMap &sizes)
{
    return item && item->parent() && sizes.contains(resourcePath(item));
}

QStringList entryNamesOf(const QList<QTreeWidgetItem *> &items, const QVariantMap &sizes)
{
    QSet<QString> keys;
    for (const QTreeWidgetItem *item : items) {
        const QString path = resourcePath(item);
        if (isResourceFile(item, sizes))
            keys.insert(path);
        if (item->childCount() == 0 && item->parent())
            continue;
        // Everything below it: the keys that start with its path and a "/",
        // which sort together.
        const QString prefix = item->parent() ? path + QLatin1Char('/') : QString();
        for (auto it = sizes.lowerBound(prefix);
             it != sizes.constEnd() && it.key().startsWith(prefix); ++it)
            keys.insert(it.key());
    }
    QStringList names;
    for (auto it = sizes.constBegin(); it != sizes.constEnd(); ++it) {
        if (keys.contains(it.key()))
            names.append(QLatin1Char('/') + it.key());
    }
    return names;
}

QList<QTreeWidgetItem *> outermostItems(const QList<QTreeWidgetItem *> &items)
{
    const QSet<const QTreeWidgetItem *> chosen(items.cbegin(), items.cend());
    QSet<const QTreeWidgetItem *> taken;
    QList<QTreeWidgetItem *> outermost;
    for (QTreeWidgetItem *item : items) {
        bool inside = false;
        for (const QTreeWidgetItem *above = item->parent(); above && !inside;
             above = above->parent())
            inside = chosen.contains(above);
        if (!inside && !taken.contains(item)) {
            taken.insert(item);
            outermost.append(item);
        }
    }
    return outermost;
}
