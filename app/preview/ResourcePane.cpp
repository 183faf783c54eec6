// SPDX-License-Identifier: MIT
// The pane's widgets, the resource shown beside the tree, the filter over
// the tree and the summary below it.

#include "ResourcePane.h"

#include "ResourcePaths.h"
#include "ResourceTree.h"
#include "ResourceViewer.h"
#include "SummaryLabel.h"
#include "icons/IconStore.h"
#include "util/FormatSize.h"

#include <QAbstractFileIconProvider>
#include <QAction>
#include <QApplication>
#include <QBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QSplitter>

ResourcePane::ResourcePane(IconStore &icons, const QIcon &topIcon, DialogSeam *seam,
                           QWidget *parent)
    : QWidget(parent), iconStore(icons), themeIcon(topIcon), dialogs(seam)
{
    setObjectName(QStringLiteral("resourcePane"));
    createFilterEdit();
    createResourceTree();
    createDesktopCopies();
    createPreviewSplitter();
    createCopyChangedBar();
    createResourceActions();

    resourceSummaryLabel = new SummaryLabel;
    resourceSummaryLabel->setObjectName(QStringLiteral("resourceSummaryLabel"));
    resourceSummaryLabel->setTextFormat(Qt::PlainText);
    // A long theme name must not widen the window: the label gives way,
    // shortening the name so the figures after it stay in view.
    resourceSummaryLabel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);

    auto *layout = new QVBoxLayout;
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(resourceFilterEdit);
    layout->addWidget(filterHintLabel);
    layout->addWidget(copyChangedBar);
    layout->addWidget(previewSplitter, 1);
    layout->addWidget(resourceSummaryLabel);
    setLayout(layout);
}

// A read still going in the viewer is stopped and waited for (ResourceViewer).
ResourcePane::~ResourcePane()
{
    // The toolkit still reports focus changes while it hides and tears down
    // the widgets, after this object's members are gone.
    disconnect(qApp, nullptr, this, nullptr);
    removeScratchFiles(); // while what an open waiting for its copy would call is still here
}

void ResourcePane::createFilterEdit()
{
    resourceFilterEdit = new QLineEdit;
    resourceFilterEdit->setObjectName(QStringLiteral("resourceFilterEdit"));
    resourceFilterEdit->setPlaceholderText(tr("筛选资源（路径中含有的文字，或带 * ? 的路径）"));
    resourceFilterEdit->setClearButtonEnabled(true);
    filterHintLabel = new QLabel;
    filterHintLabel->setObjectName(QStringLiteral("filterHintLabel"));
    filterHintLabel->setTextFormat(Qt::PlainText);
    filterHintLabel->setWordWrap(true);
    filterHintLabel->hide();
    connect(resourceFilterEdit, &QLineEdit::textChanged, this, &ResourcePane::filterResources);
    // Ready before the first keystroke: a person clicks into the field first.
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget *, QWidget *now) {
        if (now == resourceFilterEdit)
            resourceFilter.prepare(resourceTree->topLevelItem(0));
    });
}

void ResourcePane::createResourceTree()
{
    resourceTree = new ResourceTree;
    resourceTree->setObjectName(QStringLiteral("resourceTree"));
    resourceTree->setColumnCount(3);
    resourceTree->setHeaderLabels({tr("资源文件名"), tr("大小"), tr("类型")});
    // Size and type stay in view at any width: the name column takes what
    // is left, and a long name is shortened in the middle (its tooltip holds
    // it whole).
    QHeaderView *treeHeader = resourceTree->header();
    treeHeader->setStretchLastSection(false);
    treeHeader->setSectionResizeMode(0, QHeaderView::Stretch);
    treeHeader->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    treeHeader->setSectionResizeMode(2, QHeaderView::ResizeToContents);
    resourceTree->setTextElideMode(Qt::ElideMiddle);
    // Every row is one line beside a small icon: the view need not measure
    // tens of thousands of rows to reach one far down the list.
    resourceTree->setUniformRowHeights(true);

    connect(resourceTree, &QTreeWidget::itemSelectionChanged, this, &ResourcePane::previewResource);
    connect(resourceTree, &ResourceTree::openRequested, this, &ResourcePane::openResource);
}

void ResourcePane::createPreviewSplitter()
{
    resourceViewer = new ResourceViewer;
    resourceViewer->setObjectName(QStringLiteral("resourceViewer"));

    previewSplitter = new QSplitter;
    previewSplitter->setObjectName(QStringLiteral("previewSplitter"));
    previewSplitter->addWidget(resourceTree);
    previewSplitter->addWidget(resourceViewer);
    previewSplitter->setStretchFactor(0, 3);
    previewSplitter->setStretchFactor(1, 2);
    previewSplitter->setSizes({300, 220});
    previewSplitter->setChildrenCollapsible(false);
}

QList<QWidget *> ResourcePane::focusChain() const
{
    return {resourceFilterEdit, resourceTree, resourceViewer->focusPart()};
}

void ResourcePane::updateResourceActions()
{
    const bool anySelected = !resourceTree->selectedItems().isEmpty();
    openResourceAction->setEnabled(isResourceFile(resourceTree->currentItem(), previewedSizes));
    extractResourcesAction->setEnabled(anySelected);
    copyResourcePathAction->setEnabled(anySelected);
    copyFullPathAction->setEnabled(anySelected);
    // The edits need a theme that can be read, and no run going: the window
    // takes no commands then anyway.
    QTreeWidgetItem *current = resourceTree->currentItem();
    const bool editable = resourceTree->topLevelItem(0) != nullptr;
    addFilesAction->setEnabled(editable);
    addFolderAction->setEnabled(editable);
    replaceResourceAction->setEnabled(isResourceFile(current, previewedSizes));
    bool rowsChosen = false;
    for (const QTreeWidgetItem *item : resourceTree->selectedItems())
        rowsChosen = rowsChosen || item->parent();
    removeResourcesAction->setEnabled(rowsChosen);
    renameResourceAction->setEnabled(current && current->parent());
}

void ResourcePane::showResourceSummary(const QString &version)
{
    qint64 total = 0;
    for (auto it = previewedSizes.constBegin(); it != previewedSizes.constEnd(); ++it)
        total += it.value().toInt();
    resourceSummaryLabel->setSummary(previewedTheme, tr(" · 版本 %1 · %2 个资源 · 共 %3")
                                                         .arg(version)
                                                         .arg(previewedSizes.size())
                                                         .arg(formatSize(total)));
}

void ResourcePane::clearResourcePreview()
{
    renamingItem = nullptr;
    resourceFilter.reset();
    resourceTree->clear();
    previewedArchive.clear();
    previewedTheme.clear();
    previewedSizes.clear();
    resourceSummaryLabel->clearSummary();
    filterHintLabel->hide();
    resourceViewer->showHint();
}

// The viewer shows the current row when it is selected, else the first
// selected one; a folder, the theme itself or no row gives its hint.
void ResourcePane::previewResource()
{
    updateResourceActions();
    QTreeWidgetItem *item = resourceTree->currentItem();
    if (!item || !item->isSelected()) {
        const QList<QTreeWidgetItem *> selected = resourceTree->selectedItems();
        item = selected.isEmpty() ? nullptr : selected.first();
    }
    if (!isResourceFile(item, previewedSizes)) {
        resourceViewer->showHint();
        return;
    }
    const QString path = resourcePath(item);
    const QString type = item->text(2);
    // The viewer shows a resource it cannot draw by its type's icon, the
    // generic one when the type has none.
    QIcon icon = type.isEmpty() ? QIcon() : iconStore.icon(type, true);
    if (icon.isNull())
        icon = iconStore.standardIcon(QAbstractFileIconProvider::File, true);
    resourceViewer->showResource(previewedArchive, QLatin1Char('/') + path,
                                 previewedSizes.value(path).toLongLong(), icon);
}

void ResourcePane::filterResources()
{
    const QString text = resourceFilterEdit->text();
    resourceFilter.apply(resourceTree->topLevelItem(0), text);
    const bool nothingFound =
        !text.isEmpty() && resourceTree->topLevelItem(0) && resourceFilter.matchCount() == 0;
    filterHintLabel->setText(nothingFound ? tr("没有资源与“%1”相符。").arg(text) : QString());
    filterHintLabel->setVisible(nothingFound);
    // What the filter hides is no longer chosen: extracting or copying the
    // selection never takes rows the user cannot see.
    const QList<QTreeWidgetItem *> selected = resourceTree->selectedRows();
    for (QTreeWidgetItem *item : selected) {
        if (ResourceTreeFilter::hides(item))
            item->setSelected(false);
    }
}
