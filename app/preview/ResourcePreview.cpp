// SPDX-License-Identifier: MIT
// The preview tree: the resources of the theme selected in the unpack table,
// as folders and files with sizes, types and icons. It is filled from what
// the table's row already holds; the archive is not opened again.

#include "ResourcePane.h"

#include "ResourcePaths.h"
#include "ResourceTree.h"
#include "SummaryLabel.h"
#include "icons/IconStore.h"
#include "util/FormatSize.h"

#include <QAbstractFileIconProvider>
#include <QLineEdit>
#include <QTreeWidget>

void ResourcePane::showTheme(const PreviewedTheme &theme)
{
    const QString keptResource = theme.archive == previewedArchive ? currentResource() : QString();
    resourceBeforeUnavailable.clear();
    previewedArchive = theme.archive;
    previewedTheme = theme.name;
    previewedSizes = theme.sizes;

    resourceFilter.reset();
    renamingItem = nullptr;
    resourceTree->clear();
    previewChildren.clear();
    // Built apart from the view and handed over whole, so the view is not
    // told about each of thousands of items one by one.
    auto *top = new QTreeWidgetItem;
    top->setIcon(0, themeIcon);
    top->setText(0, theme.name);
    top->setToolTip(0, theme.name);

    for (auto it = previewedSizes.constBegin(); it != previewedSizes.constEnd(); ++it)
        insertResourcePath(top, it.key(), it.value().toInt());
    previewChildren.clear();

    resourceTree->addTopLevelItem(top);
    resourceTree->keepOrder();
    resourceTree->expandAll();
    // The filter typed for the last theme applies to this one too.
    if (!resourceFilterEdit->text().isEmpty())
        filterResources();
    showResourceSummary(theme.version);
    if (QTreeWidgetItem *kept = keptResource.isEmpty() ? nullptr : itemAtPath(top, keptResource))
        resourceTree->setCurrentItem(kept);
}

// The resource that was current, or the one that was when the theme became
// unavailable; "" for none.
QString ResourcePane::currentResource() const
{
    const QTreeWidgetItem *current = resourceTree->currentItem();
    return current && current->parent() ? resourcePath(current) : resourceBeforeUnavailable;
}

void ResourcePane::showUnavailableTheme(const PreviewedTheme &theme, const QString &state)
{
    // Back on disk, the theme shows that resource again.
    const QString resource = theme.archive == previewedArchive ? currentResource() : QString();
    clearResourcePreview();
    resourceBeforeUnavailable = resource;
    previewedArchive = theme.archive;
    previewedTheme = theme.name;
    resourceSummaryLabel->setSummary(theme.name, QStringLiteral(" · ") + state);
    updateResourceActions();
}

// The path is taken by value, as each call hands the next its own shorter copy.
// NOLINTNEXTLINE(performance-unnecessary-value-param)
void ResourcePane::insertResourcePath(QTreeWidgetItem *parent, QString path, int size)
{
    const qsizetype slash = path.indexOf(QLatin1Char('/'));
    if (slash == 0)
        return; // a name with a leading "/" has no place in the tree

    if (slash < 0) {
        const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
        const QString type = dot >= 0 ? path.mid(dot) : QString();
        auto *file = new ResourceItem;
        file->setText(0, path);
        file->setToolTip(0, path); // whole, when the column shows it shortened
        file->setText(1, formatSize(size));
        file->setData(1, ResourceItem::sizeRole, size);
        file->setText(2, type);
        // The store's icon for the type; where it has none (no sample file
        // could be made for it), the row shows none.
        if (!type.isEmpty())
            file->setIcon(0, iconStore.icon(type, false));
        parent->addChild(file);
        QHash<QString, QTreeWidgetItem *> &siblings = previewChildren[parent];
        if (!siblings.contains(path)) // a search finds the first child of a name
            siblings.insert(path, file);
        return;
    }

    // Files keep the keys' order, appended; each new folder goes in front.
    const QString folderName = path.left(slash);
    QHash<QString, QTreeWidgetItem *> &children = previewChildren[parent];
    QTreeWidgetItem *folder = children.value(folderName);
    if (!folder) {
        folder = new ResourceItem;
        folder->setText(0, folderName);
        folder->setToolTip(0, folderName);
        folder->setIcon(0, iconStore.standardIcon(QAbstractFileIconProvider::Folder, false));
        parent->insertChild(0, folder);
        children.insert(folderName, folder);
    }
    insertResourcePath(folder, path.mid(slash + 1), size);
}
