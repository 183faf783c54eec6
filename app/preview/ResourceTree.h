// SPDX-License-Identifier: MIT
#pragma once

#include <QTreeWidget>

#include <functional>

class QMimeData;

// The resource tree of the unpack tab: a tree widget whose rows can be
// opened (double-click, Enter) and dragged out to other programs as files.
class ResourceTree : public QTreeWidget
{
    Q_OBJECT

public:
    explicit ResourceTree(QWidget *parent = nullptr);

    // Makes the files a drag of these rows carries (extracted for it); none
    // when they could not be made. Set by the window.
    std::function<QStringList(const QList<QTreeWidgetItem *> &items)> filesForDrag;

    // Marks drag data that came from this tree, so the window's own tables
    // can leave it alone.
    static const QString dragMarker;

    // Every selected row, also those out of view: selectedItems() leaves
    // out the rows a filter hides, though they are still selected.
    QList<QTreeWidgetItem *> selectedRows() const;

signals:
    // Double-click or Enter on a row.
    void openRequested(QTreeWidgetItem *item);

protected:
    QStringList mimeTypes() const override;
    QMimeData *mimeData(const QList<QTreeWidgetItem *> &items) const override;
    void startDrag(Qt::DropActions supportedActions) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
};
