// SPDX-License-Identifier: MIT
#include "ResourceFilter.h"

#include "archive/EntrySelection.h"

#include <QTreeWidgetItem>

#include <optional>

// Right after a filling of the tree, so no row is hidden yet.
void ResourceTreeFilter::collect(QTreeWidgetItem *item, int parent, const QString &path)
{
    const int index = int(rows.size());
    rows.append({item, parent, 0, path.toCaseFolded(), false});
    for (int i = 0; i < item->childCount(); ++i) {
        QTreeWidgetItem *child = item->child(i);
        collect(child, index,
                parent < 0 ? child->text(0) : path + QLatin1Char('/') + child->text(0));
    }
    rows[index].end = int(rows.size());
}

void ResourceTreeFilter::prepare(QTreeWidgetItem *top)
{
    if (top && rows.isEmpty())
        collect(top, -1, QString());
}

void ResourceTreeFilter::apply(QTreeWidgetItem *top, const QString &text)
{
    matches = 0;
    if (!top)
        return;
    prepare(top);
    const QString needle = text.toCaseFolded();
    // With a wildcard the text is a pattern, as extract takes it on the
    // command line; the path of a row that matches it, or lies in a folder
    // that does, shows.
    std::optional<EntryPattern> pattern;
    if (EntryPattern::holdsWildcard(needle))
        pattern.emplace(needle, Qt::CaseInsensitive);
    const int count = int(rows.size());
    // Below before above: a row shows when it matches or anything below it shows.
    QList<bool> shown(count, false);
    QList<bool> holdsShown(count, false);
    for (int i = count - 1; i > 0; --i) {
        const bool matched =
            needle.isEmpty()
            || (pattern ? pattern->matches(rows[i].folded) : rows[i].folded.contains(needle));
        matches += matched ? 1 : 0;
        shown[i] = holdsShown[i] || matched;
        if (shown[i])
            holdsShown[rows[i].parent] = true;
    }

    // Above before below, skipping what a hidden row holds.
    for (int i = 1; i < count;) {
        Row &row = rows[i];
        if (row.hidden != !shown[i]) {
            row.hidden = !shown[i];
            row.item->setHidden(row.hidden);
        }
        if (row.hidden) {
            i = row.end;
            continue;
        }
        QTreeWidgetItem *item = row.item;
        if (holdsShown[i] && !needle.isEmpty() && !item->isExpanded())
            item->setExpanded(true);
        ++i;
    }
    if (!needle.isEmpty())
        top->setExpanded(true);
}

bool ResourceTreeFilter::hides(const QTreeWidgetItem *item)
{
    for (; item; item = item->parent()) {
        if (item->isHidden())
            return true;
    }
    return false;
}
