// SPDX-License-Identifier: MIT
// What the tree's rows can be used for: opened with the desktop's
// application, extracted into a chosen folder, their paths copied, dragged
// out to other programs as files.

#include "ResourcePane.h"

#include "ResourcePaths.h"
#include "ResourceTree.h"
#include "app/run/BackgroundRun.h"
#include "app/run/FailureReason.h"
#include "app/window/DialogSeam.h"
#include "archive/ThemeNames.h"
#include "archive/ThemeReader.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QUrl>

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
    resourceTree->setContextMenuPolicy(Qt::ActionsContextMenu);
    updateResourceActions();
}

// Extracts the entries into a new folder of the pane's own temporary
// folder, for the desktop; returns that folder, or nothing when the
// extraction failed, after saying why. `themeName` receives the theme name
// the archive holds now.
QString ResourcePane::extractForDesktop(const QStringList &names, QString &themeName)
{
    if (names.isEmpty())
        return {};
    if (!scratchDir) {
        scratchDir =
            std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/velmoro-XXXXXX"));
        if (!scratchDir->isValid()) {
            scratchDir.reset();
            return {};
        }
    }
    // A fresh folder each time: two themes of one name never mix.
    QString targetDir = scratchDir->filePath(QString::number(++scratchUses)) + QLatin1Char('/');
    ThemeReader reader;
    reader.themeFilePath = previewedArchive;
    reader.targetDir = targetDir;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool done = reader.extractEntries(names);
    QApplication::restoreOverrideCursor();
    if (!done) {
        WindowMessage message;
        message.kind = WindowMessage::Kind::Warning;
        message.title = tr("取出资源");
        message.text = QDir::toNativeSeparators(previewedArchive) + tr("：")
                       + failureReason(RunKind::Unpack, reader.error);
        message.details = reader.errorString;
        if (!reader.error.reason().isEmpty())
            message.details +=
                QLatin1Char('\n') + tr("系统给出的原因：%1").arg(reader.error.reason());
        dialogs->showMessage(window(), message);
        return {};
    }
    themeName = reader.themeName;
    return targetDir;
}

// Where the extractor put the resource or folder at `path` below the theme
// folder: the theme folder's and the entry's components below the target,
// as it computes them.
static QString extractedPath(const QString &targetDir, const QString &themeName,
                             const QString &path)
{
    QStringList components = ThemeNames::themeFolderComponents(themeName);
    if (!path.isEmpty())
        components += ThemeNames::entryComponents(themeName, QLatin1Char('/') + path);
    return targetDir + components.join(QLatin1Char('/'));
}

// What a drag of these rows carries: copies of what they stand for, one file
// or folder per row that none of the others holds.
QStringList ResourcePane::filesForDrag(const QList<QTreeWidgetItem *> &items)
{
    QString themeName;
    const QString targetDir = extractForDesktop(entryNamesOf(items, previewedSizes), themeName);
    if (targetDir.isEmpty())
        return {};
    QStringList paths;
    for (const QTreeWidgetItem *item : outermostItems(items)) {
        const QString path = extractedPath(targetDir, themeName, resourcePath(item));
        if (QFileInfo::exists(path))
            paths.append(path);
    }
    return paths;
}

void ResourcePane::openCurrentResource()
{
    openResource(resourceTree->currentItem());
}

// Hands a resource file to the desktop's application for its type; folders
// only open and close in the tree.
void ResourcePane::openResource(QTreeWidgetItem *item)
{
    if (!isResourceFile(item, previewedSizes))
        return;
    const QString path = resourcePath(item);
    QString themeName;
    const QString targetDir = extractForDesktop({QLatin1Char('/') + path}, themeName);
    const QString file = extractedPath(targetDir, themeName, path);
    if (targetDir.isEmpty() || !QFileInfo(file).isFile())
        return;
    if (!dialogs->openUrl(QUrl::fromLocalFile(file))) {
        WindowMessage message;
        message.kind = WindowMessage::Kind::Warning;
        message.title = tr("打开");
        message.text = tr("系统中没有可以打开 %1 的程序。").arg(path);
        dialogs->showMessage(window(), message);
    }
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
