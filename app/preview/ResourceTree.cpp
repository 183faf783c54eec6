// SPDX-License-Identifier: MIT
#include "ResourceTree.h"

#include <QCollator>
#include <QDrag>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QUrl>

const QString ResourceTree::dragMarker = QStringLiteral("application/x-velmoro-resources");

bool ResourceItem::operator<(const QTreeWidgetItem &other) const
{
    const QVariant size = data(1, sizeRole);
    const QVariant otherSize = other.data(1, sizeRole);
    const QTreeWidget *tree = treeWidget();
    const int column = tree ? tree->sortColumn() : 0;
    if (size.isValid() != otherSize.isValid()) {
        // Folders first, in either order.
        const bool descending = tree && tree->header()->sortIndicatorOrder() == Qt::DescendingOrder;
        return size.isValid() == descending;
    }
    static const QCollator byName = [] {
        // The "C" locale compares code units, numbers included; names are
        // then put in Chinese order, the window's language.
        QCollator collator(QLocale().language() == QLocale::C ? QLocale(QLocale::Chinese)
                                                              : QLocale());
        collator.setCaseSensitivity(Qt::CaseInsensitive);
        collator.setNumericMode(true);
        return collator;
    }();
    int order = 0;
    if (column == 1)
        order = size.toLongLong() < otherSize.toLongLong()   ? -1
                : size.toLongLong() > otherSize.toLongLong() ? 1
                                                             : 0;
    else if (column == 2)
        order = byName.compare(text(2), other.text(2));
    if (order == 0)
        order = byName.compare(text(0), other.text(0));
    return order < 0;
}

ResourceTree::ResourceTree(QWidget *parent) : QTreeWidget(parent)
{
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setDragEnabled(true);
    // Rows go out as copies; files from other programs come in on a folder.
    setDragDropMode(QAbstractItemView::DragOnly);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setDropIndicatorShown(true);
    // The first click on a header starts sorting by its column; the view's
    // own handling of the header takes the clicks after that.
    header()->setSectionsClickable(true);
    connect(header(), &QHeaderView::sectionClicked, this, [this](int column) {
        if (isSortingEnabled())
            return;
        header()->setSortIndicator(column, Qt::AscendingOrder);
        setSortingEnabled(true);
    });
}

void ResourceTree::resizeEvent(QResizeEvent *event)
{
    QTreeWidget::resizeEvent(event);
    fitColumns();
}

// A file three folders down keeps room for about ten characters of its name
// (what the type column shows is in the name, and the summary below gives
// the sizes).
void ResourceTree::fitColumns()
{
    const QFontMetrics metrics = fontMetrics();
    const int margin = 2 * style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 8;
    const int sizeWidth = qMax(header()->sectionSizeHint(1),
                               metrics.horizontalAdvance(QStringLiteral("999.99 KB")) + margin);
    const int typeWidth = qMax(header()->sectionSizeHint(2),
                               metrics.horizontalAdvance(QStringLiteral(".jpeg")) + margin);
    const int nameRoom = 3 * indentation() + style()->pixelMetric(QStyle::PM_SmallIconSize)
                         + 10 * metrics.averageCharWidth();
    const int room = viewport()->width();
    setColumnHidden(2, room - sizeWidth - typeWidth < nameRoom);
    setColumnHidden(1, room - sizeWidth < nameRoom);
}

void ResourceTree::keepOrder()
{
    if (isSortingEnabled())
        sortItems(header()->sortIndicatorSection(), header()->sortIndicatorOrder());
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

// The folder row (or the theme's row) under a drop of local files from
// another program, and those files; null for anything else: the tree's own
// rows, a drop on a file or beside the rows.
QTreeWidgetItem *ResourceTree::dropTarget(const QDropEvent *event, QStringList &files) const
{
    const QMimeData *mime = event->mimeData();
    if (!mime->hasUrls() || mime->hasFormat(dragMarker))
        return nullptr;
    for (const QUrl &url : mime->urls()) {
        if (!url.isLocalFile())
            return nullptr;
        files.append(url.toLocalFile());
    }
    QTreeWidgetItem *onto = itemAt(event->position().toPoint());
    if (!onto || (onto->parent() && onto->childCount() == 0))
        return nullptr;
    return onto;
}

void ResourceTree::dragEnterEvent(QDragEnterEvent *event)
{
    const QMimeData *mime = event->mimeData();
    // Entered anywhere over a theme, the drag may still move onto a folder;
    // with no theme shown, the window takes it (archives and folders to list).
    if (topLevelItem(0) && mime->hasUrls() && !mime->hasFormat(dragMarker))
        event->acceptProposedAction();
    else
        event->ignore();
}

void ResourceTree::dragMoveEvent(QDragMoveEvent *event)
{
    if (!topLevelItem(0))
        return; // not entered: the window's own handling decides
    QStringList files;
    if (dropTarget(event, files))
        event->acceptProposedAction();
    else
        event->ignore();
}

void ResourceTree::dropEvent(QDropEvent *event)
{
    QStringList files;
    QTreeWidgetItem *onto = dropTarget(event, files);
    if (!onto) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    emit filesDropped(onto, files);
}
