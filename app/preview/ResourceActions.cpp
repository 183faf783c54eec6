// SPDX-License-Identifier: MIT
// What the tree's rows can be used for: extracted into a chosen folder, their
// paths copied; opened and dragged out in ResourceDesktop.cpp.

#include "ResourcePane.h"

#include "ResourcePaths.h"
#include "ResourceTree.h"
#include "app/run/BackgroundRun.h"
#include "app/window/DialogSeam.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>

namespace {

// The box at the end of extracting a selection: one archive, so it speaks of
// the resources rather than counting themes; its details are those of every
// run.
WindowMessage selectionReportMessage(const QString &title, qsizetype count, const RunReport &report)
{
    WindowMessage message;
    message.title = title;
    if (report.failures.isEmpty() && report.notDone.isEmpty()) {
        message.text = ResourcePane::tr("所选的 %1 个资源已解压到文件夹 %2 下！")
                           .arg(count)
                           .arg(QDir::toNativeSeparators(report.destinations.value(0)));
        message.actionText = ResourcePane::tr("打开文件夹");
        return message;
    }
    message.kind = WindowMessage::Kind::Warning;
    if (!report.failures.isEmpty()) {
        message.text = ResourcePane::tr("所选资源没有全部解压：") + QLatin1Char('\n')
                       + report.failures.first().reason;
    } else {
        const UnfinishedTheme &stopped = report.notDone.first();
        message.text = ResourcePane::tr("已取消解压所选资源。");
        if (stopped.writtenCount > 0)
            message.text += ResourcePane::tr("已写出的 %1 个文件在 %2 中。")
                                .arg(stopped.writtenCount)
                                .arg(QDir::toNativeSeparators(stopped.folder));
    }
    message.details = runReportDetails(report);
    return message;
}

} // namespace

void ResourcePane::createResourceActions()
{
    const auto makeAction = [this](QAction *&action, const char *name, const QString &text) {
        action = new QAction(text, this);
        action->setObjectName(QLatin1String(name));
        resourceTree->addAction(action);
    };
    makeAction(openResourceAction, "openResourceAction", tr("打开"));
    connect(openResourceAction, &QAction::triggered, this, &ResourcePane::openCurrentResource);
    makeAction(extractResourcesAction, "extractResourcesAction", tr("解压所选到…"));
    connect(extractResourcesAction, &QAction::triggered, this,
            &ResourcePane::extractSelectedResources);
    makeAction(copyResourcePathAction, "copyResourcePathAction", tr("复制路径"));
    copyResourcePathAction->setShortcut(QKeySequence::Copy);
    copyResourcePathAction->setShortcutContext(Qt::WidgetShortcut);
    connect(copyResourcePathAction, &QAction::triggered, this, &ResourcePane::copyResourcePaths);
    makeAction(copyFullPathAction, "copyFullPathAction", tr("复制完整路径"));
    connect(copyFullPathAction, &QAction::triggered, this, &ResourcePane::copyFullResourcePaths);
    createEditActions();
    resourceTree->setContextMenuPolicy(Qt::ActionsContextMenu);
    updateResourceActions();
}

void ResourcePane::copyResourcePaths()
{
    QStringList paths;
    for (const QTreeWidgetItem *item : resourceTree->selectedItems()) {
        if (item->parent()) // the top row is the theme, not a path inside it
            paths.append(resourcePath(item));
    }
    if (!paths.isEmpty())
        QApplication::clipboard()->setText(paths.join(QLatin1Char('\n')));
}

// Each row as a path from the file system's root: the archive's own path
// with the path inside it, as file managers show a file inside an archive.
void ResourcePane::copyFullResourcePaths()
{
    QStringList paths;
    for (const QTreeWidgetItem *item : resourceTree->selectedItems()) {
        const QString inside = resourcePath(item);
        paths.append(QDir::toNativeSeparators(
            inside.isEmpty() ? previewedArchive : previewedArchive + QLatin1Char('/') + inside));
    }
    if (!paths.isEmpty())
        QApplication::clipboard()->setText(paths.join(QLatin1Char('\n')));
}

void ResourcePane::extractSelectedResources()
{
    const QStringList names = entryNamesOf(resourceTree->selectedItems(), previewedSizes);
    if (names.isEmpty() || runGoing())
        return;
    const QString chosen =
        dialogs->existingDirectory(window(), tr("选择解压到的文件夹"), extractStartFolder());
    if (chosen.isEmpty())
        return;
    ThemeRun run;
    run.kind = JobKind::Unpack;
    JobItem item;
    item.source = previewedArchive;
    item.entryNames = names;
    run.items = {item};
    run.target.folder = QDir::fromNativeSeparators(chosen);
    run.names = {previewedTheme};
    run.reportThemeFolders = true;
    run.texts.title = tr("解压所选资源");
    run.progressLabel = tr("正在从主题 %1 中解压所选资源（%2/%3）");
    run.reportMessage = [title = run.texts.title, count = names.size()](const RunReport &report) {
        return selectionReportMessage(title, count, report);
    };
    startRun(std::move(run));
}
