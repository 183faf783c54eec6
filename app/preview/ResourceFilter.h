// SPDX-License-Identifier: MIT
#pragma once

#include <QList>
#include <QString>

class QTreeWidgetItem;

// The filter over the resource tree: shows the rows whose path below the
// theme folder contains a text (letter case ignored), or matches it when it
// holds a wildcard ("*", "?"; EntryPattern, as extract takes it on the command
// line), and the folders above them, expanded; an empty text shows every row.
// The top row always shows.
//
// A keystroke must stay quick over tens of thousands of rows, and asking the
// view about a row or changing one costs it some work; so the rows' paths
// and whether they are hidden are kept here, and a row inside a hidden
// folder is left as it is until its folder shows again.
class ResourceTreeFilter
{
public:
    // Forgets the rows: the tree was filled anew.
    void reset() { rows.clear(); }

    // Gets the rows' paths ready (once per filling of the tree), so that the
    // first keystroke is as quick as the others.
    void prepare(QTreeWidgetItem *top);

    void apply(QTreeWidgetItem *top, const QString &text);

    // How many rows the last apply() found matching (every row for no text).
    int matchCount() const { return matches; }

    // Whether the row is out of view: hidden, or inside a hidden folder.
    static bool hides(const QTreeWidgetItem *item);

private:
    struct Row
    {
        QTreeWidgetItem *item;
        int parent;     // index of the row above, -1 for the top row
        int end;        // index just past the rows below it
        QString folded; // its path below the theme folder, case-folded
        bool hidden;    // as the filter left it: only the filter hides rows
    };
    void collect(QTreeWidgetItem *item, int parent, const QString &path);

    QList<Row> rows; // the tree in order, each row before the rows below it
    int matches = 0;
};
