// SPDX-License-Identifier: MIT
// The pack tab: theme resource folders, each packed into an archive named
// after its (editable) row name.

#include "app/window/Velmoro.h"

#include "PackNames.h"
#include "app/run/BackgroundRun.h"
#include "app/window/DialogSeam.h"
#include "app/window/PathDelegate.h"
#include "app/window/TabPage.h"
#include "app/window/TableSelection.h"

#include <QDir>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>

void Velmoro::createPackTab()
{
    themeFolderTable = new QTableWidget;
    themeFolderTable->setObjectName(QStringLiteral("themeFolderTable"));
    themeFolderTable->setColumnCount(2);
    themeFolderTable->setHorizontalHeaderLabels({tr("主题名称"), tr("主题资源文件夹路径")});
    themeFolderTable->horizontalHeader()->setStretchLastSection(true);
    themeFolderTable->setTabKeyNavigation(false); // Tab leaves the table; arrows move between cells
    themeFolderTable->setTextElideMode(Qt::ElideMiddle); // a long path keeps its start and its end
    themeFolderTable->setWordWrap(false); // on one line, shortened rather than broken
    themeFolderTable->setItemDelegateForColumn(1, new PathDelegate(themeFolderTable));
    acceptFileDrops(themeFolderTable);
    addShowInFileManager(themeFolderTable, showFolderAction, "showFolderAction");

    addThemeFolderButton = namedButton(tr("增加"), "addThemeFolderButton");
    removeThemeFolderButton = namedButton(tr("移除"), "removeThemeFolderButton");
    packThemeFolderButton = namedButton(tr("打包主题"), "packThemeFolderButton");
    connect(addThemeFolderButton, &QPushButton::clicked, this, &Velmoro::addThemeFolder);
    connect(removeThemeFolderButton, &QPushButton::clicked, this, &Velmoro::removeThemeFolder);
    connect(packThemeFolderButton, &QPushButton::clicked, this, &Velmoro::packThemeFolder);

    QWidget *page = tabPage("packTab", themeFolderTable, addThemeFolderButton,
                            removeThemeFolderButton, packThemeFolderButton);
    tabWidget->addTab(page, tr("打包主题"));
}

void Velmoro::appendThemeFolderRow(QString &folderPath)
{
    const QDir folder(folderPath);
    const int row = themeFolderTable->rowCount();
    themeFolderTable->insertRow(row);
    auto *nameItem = new QTableWidgetItem(folder.dirName());
    nameItem->setFlags(nameItem->flags() & ~Qt::ItemIsDragEnabled); // rows are not dragged around
    themeFolderTable->setItem(row, 0, nameItem);

    folderPath = QDir::toNativeSeparators(folder.absolutePath());
    auto *pathItem = new QTableWidgetItem(folderPath);
    pathItem->setFlags(Qt::NoItemFlags); // shown, but neither selectable nor editable
    pathItem->setToolTip(folderPath);
    themeFolderTable->setItem(row, 1, pathItem);
    themeFolderPaths.append(folderPath);
    noteRecent(folderPath);
}

void Velmoro::addThemeFolder()
{
    QString folder = dialogs->existingDirectory(this, tr("选择一个主题文件夹"), lastDialogDir);
    if (folder.isEmpty())
        return;
    if (themeFolderPaths.contains(QDir::toNativeSeparators(folder)))
        return;
    appendThemeFolderRow(folder);

    // The next dialog of either tab opens in the chosen folder's parent.
    folder = QDir::fromNativeSeparators(folder);
    const qsizetype slash = folder.lastIndexOf(QLatin1Char('/'));
    if (slash > 0)
        lastDialogDir = folder.left(slash);
}

void Velmoro::removeThemeFolder()
{
    for (const int row : selectedRowsDescending(themeFolderTable)) {
        themeFolderPaths.removeOne(themeFolderTable->item(row, 1)->text());
        themeFolderTable->removeRow(row);
    }
}

// What the job is given as its target: the work directory; an empty field
// puts each archive beside its own folder, never in the file-system root.
JobTarget Velmoro::workDirTarget() const
{
    return {QDir::fromNativeSeparators(workDirEdit->text()), QString()};
}

void Velmoro::packThemeFolder()
{
    if (themeFolderTable->rowCount() == 0)
        return;
    ThemeRun run;
    run.kind = JobKind::Pack;
    run.target = workDirTarget();
    for (int row = 0; row < themeFolderTable->rowCount(); ++row) {
        JobItem item; // the header's theme name is the folder's own name
        item.source = themeFolderTable->item(row, 1)->text();
        item.archiveName = themeFolderTable->item(row, 0)->text();
        run.items.append(item);
        run.names.append(*item.archiveName);
    }
    // Nothing is written while a name cannot name an archive or two rows
    // would write one archive.
    if (!packNamesUsable(run.items, run.target))
        return;

    run.texts = {tr("打包主题"),
                 tr("所有主题资源已打包到工作目录文件夹下了！"),
                 tr("所有主题资源已打包到文件夹 %1 下了！"),
                 tr("所有主题资源已打包，每个主题文件都在它的主题资源文件夹旁边。"),
                 tr("%1 个主题已打包，%2 个主题打包失败："),
                 tr("已取消：%1 个主题已打包，%2 个主题打包失败，%3 个主题未打包。")};
    run.progressLabel = tr("正在打包主题 %1（第 %2 个，共 %3 个）");
    run.intoWorkDir = !run.target.folder.isEmpty();
    startRun(std::move(run));
}

bool Velmoro::packNamesUsable(const QList<JobItem> &items, const JobTarget &target)
{
    const QList<PackNameProblem> problems = packNameProblems(items, target);
    if (problems.isEmpty())
        return true;
    WindowMessage message;
    message.kind = WindowMessage::Kind::Warning;
    message.title = tr("打包主题");
    message.text = tr("下列主题名称不能用作主题文件名，没有打包任何主题。请修改后再打包：");
    for (const PackNameProblem &problem : problems)
        message.text += QLatin1Char('\n')
                        + tr("第 %1 行“%2”：%3")
                              .arg(QString::number(problem.row + 1), problem.name, problem.problem);
    dialogs->showMessage(this, message);
    return false;
}
