// SPDX-License-Identifier: MIT
#pragma once

#include <QTreeWidget>

#include <functional>

class QMimeData;

// A row of the resource tree. Sorted by a column, folders come first in
// either order; names and types compare as people read them (letter case
// ignored, numbers by value), sizes by the bytes of the file.
class ResourceItem : public QTreeWidgetItem
{
public:
    // Where a file row keeps its size in bytes (column 1); folders have none.
    static constexpr int sizeRole = Qt::UserRole;

    bool operator<(const QTreeWidgetItem &other) const override;
};

// The resource tree of the unpack tab: a tree widget whose rows can be
// opened (double-click, Enter) and dragged out to other programs as files.
// Its rows keep the order they were listed in until a column's header is
// clicked; from then on they are sorted by that column, as in a file manager.
// Where it is narrow the names come first: the type column, then the size
// column, make way for them.
class ResourceTree : public QTreeWidget
{
    Q_OBJECT

public:
    explicit ResourceTree(QWidget *parent = nullptr);

    // Puts rows added since into the order the user chose, if any.
    void keepOrder();

    // The files a drag of these rows carries, made for it before it begins;
    // none when they could not be made or the user gave the drag up. Set by
    // the pane.
    std::function<QStringList(const QList<QTreeWidgetItem *> &items)> filesForDrag;
    // Told how the drag of those files ended: `dropped` false when no
    // program took them. Set by the pane.
    std::function<void(bool dropped)> dragEnded;
    // Runs the drag of this data until it ends; a test replaces it, as a
    // session without a display has no drag to run. By default, QDrag.
    std::function<Qt::DropAction(QMimeData *data)> runDrag;

    // Marks drag data that came from this tree, so the window's own tables
    // can leave it alone.
    static const QString dragMarker;

    // Every selected row, also those out of view: selectedItems() leaves
    // out the rows a filter hides, though they are still selected.
    QList<QTreeWidgetItem *> selectedRows() const;

signals:
    // Double-click or Enter on a row.
    void openRequested(QTreeWidgetItem *item);
    // Files or folders from another program were dropped on a folder row or
    // the theme's row.
    void filesDropped(QTreeWidgetItem *onto, const QStringList &files);

protected:
    void resizeEvent(QResizeEvent *event) override;
    void startDrag(Qt::DropActions supportedActions) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void fitColumns();
    QTreeWidgetItem *dropTarget(const QDropEvent *event, QStringList &files) const;
};
