#include "ResourceFilter.h"

#include <QTreeWidgetItem>

namespace {

// Whether `item` (at `path`) or any row below it shows. Rows are told only
// when their state changes: each change costs the view some work, and a
// keystroke goes over thousands of rows.
bool filterBelow(QTreeWidgetItem *item, const QString &path, const QString &text)
{
    bool anyShown = false;
    for (int i = 0; i < item->childCount(); ++i) {
        QTreeWidgetItem *child = item->child(i);
        const QString childPath = path.isEmpty() && !item->parent()
                                      ? child->text(0)
                                      : path + QLatin1Char('/') + child->text(0);
        const bool below = filterBelow(child, childPath, text);
        const bool shown = text.isEmpty() || below || childPath.contains(text, Qt::CaseInsensitive);
        if (child->isHidden() == shown)
            child->setHidden(!shown);
        if (below && !text.isEmpty() && !child->isExpanded())
            child->setExpanded(true);
        anyShown = anyShown || shown;
    }
    return anyShown;
}

} // namespace

void filterResourceTree(QTreeWidgetItem *top, const QString &text)
{
    if (!top)
        return;
    filterBelow(top, QString(), text);
    if (!text.isEmpty())
        top->setExpanded(true);
}
