// SPDX-License-Identifier: MIT
#include "ResourceTree.h"

#include <QDrag>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QUrl>

const QString ResourceTree::dragMarker = QStringLiteral("application/x-velmoro-resources");

ResourceTree::ResourceTree(QWidget *parent) : QTreeWidget(parent)
{
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setDragEnabled(true);
    setDragDropMode(QAbstractItemView::DragOnly);
}

QList<QTreeWidgetItem *> ResourceTree::selectedRows() const
{
    QList<QTreeWidgetItem *> items;
    const QModelIndexList rows = selectionModel()->selectedRows();
    items.reserve(rows.size());
    for (const QModelIndex &row : rows)
        items.append(itemFromIndex(row));
    return items;
}

QStringList ResourceTree::mimeTypes() const
{
    return {QStringLiteral("text/uri-list"), dragMarker};
}

QMimeData *ResourceTree::mimeData(const QList<QTreeWidgetItem *> &items) const
{
    const QStringList files = filesForDrag ? filesForDrag(items) : QStringList();
    if (files.isEmpty())
        return nullptr;
    QList<QUrl> urls;
    for (const QString &file : files)
        urls.append(QUrl::fromLocalFile(file));
    auto *dragData = new QMimeData;
    dragData->setUrls(urls);
    dragData->setData(dragMarker, QByteArray());
    return dragData;
}

// The files are copies made for the drag: they are offered for copying only,
// so a drop that moves them can never take the rows out of the tree.
void ResourceTree::startDrag(Qt::DropActions)
{
    const QList<QTreeWidgetItem *> items = selectedItems();
    if (items.isEmpty())
        return;
    QMimeData *dragData = mimeData(items);
    if (!dragData)
        return;
    auto *drag = new QDrag(this);
    drag->setMimeData(dragData);
    const QIcon icon = items.first()->icon(0);
    if (!icon.isNull())
        drag->setPixmap(icon.pixmap(32, 32));
    drag->exec(Qt::CopyAction, Qt::CopyAction);
}

void ResourceTree::keyPressEvent(QKeyEvent *event)
{
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && currentItem()) {
        emit openRequested(currentItem());
        return;
    }
    QTreeWidget::keyPressEvent(event);
}

void ResourceTree::mouseDoubleClickEvent(QMouseEvent *event)
{
    QTreeWidget::mouseDoubleClickEvent(event); // folders open and close as usual
    if (event->button() == Qt::LeftButton) {
        if (QTreeWidgetItem *item = itemAt(event->position().toPoint()))
            emit openRequested(item);
    }
}
