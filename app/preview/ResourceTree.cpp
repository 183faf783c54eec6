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

// The files are copies made for the drag: they are offered for copying only,
// so a drop that moves them can never take the rows out of the tree.
void ResourceTree::startDrag(Qt::DropActions)
{
    const QList<QTreeWidgetItem *> items = selectedItems();
    if (items.isEmpty() || !filesForDrag)
        return;
    const QIcon icon = items.first()->icon(0);
    const QStringList files = filesForDrag(items); // the rows may be gone after this
    if (files.isEmpty())
        return;
    QList<QUrl> urls;
    for (const QString &file : files)
        urls.append(QUrl::fromLocalFile(file));
    auto *dragData = new QMimeData;
    dragData->setUrls(urls);
    dragData->setData(dragMarker, QByteArray());
    Qt::DropAction done = Qt::IgnoreAction;
    if (runDrag) {
        done = runDrag(dragData);
        delete dragData;
    } else {
        auto *drag = new QDrag(this);
        drag->setMimeData(dragData);
        if (!icon.isNull())
            drag->setPixmap(icon.pixmap(32, 32));
        done = drag->exec(Qt::CopyAction, Qt::CopyAction);
    }
    if (dragEnded)
        dragEnded(done != Qt::IgnoreAction);
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
