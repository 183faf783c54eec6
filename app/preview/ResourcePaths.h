// SPDX-License-Identifier: MIT
#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantMap>

class QTreeWidgetItem;

// Between the rows of the resource tree and the entries of the archive they
// show. `sizes` is the row's map from resource path to size.

// The path of a row below the theme folder ("img/bg.png"); empty for the top
// row, the theme itself.
QString resourcePath(const QTreeWidgetItem *item);

// The row below `top` (the theme's row) at `path` ("img/bg.png"), the first
// of a name at each step; null when there is none.
QTreeWidgetItem *itemAtPath(QTreeWidgetItem *top, const QString &path);

// Whether the row stands for a resource file (a row can be a file and hold
// others too, when an archive has both "res" and "res/x.png").
bool isResourceFile(const QTreeWidgetItem *item, const QVariantMap &sizes);

// The entry names ("/img/bg.png") that rows stand for: a file row its own, a
// folder row (and the top row) every entry below it; each once, in the
// order of the map.
QStringList entryNamesOf(const QList<QTreeWidgetItem *> &items, const QVariantMap &sizes);

// The rows among `items` that none of the others holds, in their order.
QList<QTreeWidgetItem *> outermostItems(const QList<QTreeWidgetItem *> &items);
