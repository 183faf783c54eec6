// SPDX-License-Identifier: MIT
// The tree's edits of the theme in place: files and folders added (also by a
// drop from a file manager), a resource replaced, rows removed or renamed.
// Each writes the archive at once, in the background like any run; the
// library checks every name as the reader will and says why it refuses one.

#include "ResourcePane.h"

#include "ResourcePaths.h"
#include "ResourceTree.h"
#include "app/run/BackgroundRun.h"
#include "app/window/DialogSeam.h"
#include "archive/ArchiveChange.h"

#include <QAbstractItemDelegate>
#include <QAction>
#include <QDir>
#include <QFileInfo>

namespace {

QString below(const QString &folder, const QString &name)
{
    return folder.isEmpty() ? name : folder + QLatin1Char('/') + name;
}

// The box after an edit: none when it went in; otherwise why not, in the
// window's words, with the library's message naming what it refused.
WindowMessage editReportMessage(const QString &title, const RunReport &report)
{
    WindowMessage message;
    message.title = title;
    if (!report.notDone.isEmpty()) {
        message.text = ResourcePane::tr("已取消修改，主题文件保持不变。");
    } else if (!report.failures.isEmpty()) {
        const RunFailure &failure = report.failures.first();
        message.kind = WindowMessage::Kind::Warning;
        message.text = ResourcePane::tr("主题文件没有修改，保持原样：") + QLatin1Char('\n')
                       + QDir::toNativeSeparators(failure.item) + ResourcePane::tr("：")
                       + failure.reason + QLatin1Char('\n') + failure.message;
        message.details = runReportDetails(report);
    }
    return message;
}

} // namespace

void ResourcePane::createEditActions()
{
    auto *separator = new QAction(this);
    separator->setSeparator(true);
    resourceTree->addAction(separator);
    const auto makeAction = [this](QAction *&action, const char *name, const QString &text,
                                   void (ResourcePane::*slot)()) {
        action = new QAction(text, this);
        action->setObjectName(QLatin1String(name));
        resourceTree->addAction(action);
        connect(action, &QAction::triggered, this, slot);
    };
    makeAction(addFilesAction, "addFilesAction", tr("添加文件…"), &ResourcePane::addFilesToTheme);
    makeAction(addFolderAction, "addFolderAction", tr("添加文件夹…"),
               &ResourcePane::addFolderToTheme);
    makeAction(replaceResourceAction, "replaceResourceAction", tr("替换…"),
               &ResourcePane::replaceResource);
    makeAction(removeResourcesAction, "removeResourcesAction", tr("删除"),
               &ResourcePane::removeResources);
    makeAction(renameResourceAction, "renameResourceAction", tr("重命名"),
               &ResourcePane::renameResource);
    removeResourcesAction->setShortcut(QKeySequence::Delete);
    renameResourceAction->setShortcut(Qt::Key_F2);
    for (QAction *keyed : {removeResourcesAction, renameResourceAction})
        keyed->setShortcutContext(Qt::WidgetShortcut);

    // Rows are renamed in place through 重命名 only, never by a click.
    resourceTree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    connect(resourceTree, &QTreeWidget::itemChanged, this, &ResourcePane::finishRename);
    connect(resourceTree->itemDelegate(), &QAbstractItemDelegate::closeEditor, this,
            [this] { renamingItem = nullptr; });
    connect(resourceTree, &ResourceTree::filesDropped, this, &ResourcePane::addDroppedFiles);
}

// Where added files go: below the folder row selected, else in the theme
// folder itself.
QString ResourcePane::folderForAdding() const
{
    const QTreeWidgetItem *item = resourceTree->currentItem();
    if (item && item->isSelected() && item->parent() && item->childCount() > 0)
        return resourcePath(item);
    return QString();
}

void ResourcePane::startEdits(const QList<JobItem> &items, const QStringList &names,
                              const QString &title,
                              std::function<void(const RunReport &report)> afterwards)
{
    if (items.isEmpty() || runGoing())
        return;
    ThemeRun run;
    run.kind = JobKind::Edit;
    run.items = items;
    run.names = names;
    run.texts.title = title;
    run.progressLabel = tr("正在修改主题 %1（%2/%3）");
    run.reportMessage = [title](const RunReport &report) {
        return editReportMessage(title, report);
    };
    run.afterwards = std::move(afterwards);
    startRun(std::move(run));
}

void ResourcePane::editShownTheme(const QList<ArchiveChange> &changes, const QString &title)
{
    if (previewedArchive.isEmpty() || changes.isEmpty())
        return;
    JobItem item;
    item.source = previewedArchive;
    item.changes = changes;
    startEdits({item}, {previewedTheme}, title);
}

void ResourcePane::addFilesToTheme()
{
    const QString folder = folderForAdding();
    const QStringList files =
        dialogs->openFileNames(window(), tr("添加文件"), extractStartFolder(), QString());
    QList<ArchiveChange> changes;
    for (const QString &file : files)
        changes.append(ArchiveChange::add(file, below(folder, QFileInfo(file).fileName())));
    editShownTheme(changes, tr("添加文件"));
}

void ResourcePane::addFolderToTheme()
{
    const QString folder = folderForAdding();
    const QString chosen =
        dialogs->existingDirectory(window(), tr("添加文件夹"), extractStartFolder());
    if (chosen.isEmpty())
        return;
    const QString source = QDir::cleanPath(QDir::fromNativeSeparators(chosen));
    editShownTheme({ArchiveChange::add(source, below(folder, QFileInfo(source).fileName()))},
                   tr("添加文件夹"));
}

void ResourcePane::addDroppedFiles(QTreeWidgetItem *onto, const QStringList &files)
{
    const QString folder = resourcePath(onto);
    QList<ArchiveChange> changes;
    for (const QString &file : files) {
        const QString source = QDir::cleanPath(file);
        changes.append(ArchiveChange::add(source, below(folder, QFileInfo(source).fileName())));
    }
    editShownTheme(changes, tr("添加文件"));
}

void ResourcePane::replaceResource()
{
    QTreeWidgetItem *item = resourceTree->currentItem();
    if (!isResourceFile(item, previewedSizes))
        return;
    const QString path = resourcePath(item);
    const QStringList files =
        dialogs->openFileNames(window(), tr("替换 %1").arg(path), extractStartFolder(), QString());
    if (!files.isEmpty())
        editShownTheme({ArchiveChange::add(files.first(), path)}, tr("替换资源"));
}

void ResourcePane::removeResources()
{
    QStringList paths;
    QStringList named;
    for (QTreeWidgetItem *item : outermostItems(resourceTree->selectedRows())) {
        if (!item->parent())
            continue; // the theme itself is not removed from its archive
        paths.append(resourcePath(item));
        const qsizetype inside = entryNamesOf({item}, previewedSizes).size();
        named.append(item->childCount() > 0
                         ? tr("%1/（文件夹，其中 %2 个资源）").arg(paths.last()).arg(inside)
                         : paths.last());
    }
    if (paths.isEmpty() || runGoing())
        return;
    WindowMessage question;
    question.kind = WindowMessage::Kind::Warning;
    question.title = tr("删除资源");
    question.text =
        tr("要从主题文件中删除下列资源吗？") + QLatin1Char('\n') + named.join(QLatin1Char('\n'));
    question.actionText = tr("删除");
    question.okText = tr("取消");
    if (dialogs->showMessage(window(), question))
        editShownTheme({ArchiveChange::remove(paths, false)}, tr("删除资源"));
}

void ResourcePane::renameResource()
{
    QTreeWidgetItem *item = resourceTree->currentItem();
    if (!item || !item->parent() || runGoing())
        return;
    item->setFlags(item->flags() | Qt::ItemIsEditable);
    renamingItem = item;
    renamingFrom = resourcePath(item);
    resourceTree->editItem(item, 0);
}

// The name typed in place goes to the library, which refuses one the reader
// would refuse; until the archive is written the row keeps its old name.
void ResourcePane::finishRename(QTreeWidgetItem *item, int column)
{
    if (item != renamingItem || column != 0)
        return;
    renamingItem = nullptr;
    const QString newName = item->text(0);
    const QString oldName = renamingFrom.section(QLatin1Char('/'), -1);
    item->setText(0, oldName);
    if (newName == oldName)
        return;
    const QString newPath = below(resourcePath(item->parent()), newName);
    editShownTheme({ArchiveChange::rename(renamingFrom, newPath)}, tr("重命名资源"));
}
