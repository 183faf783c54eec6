// The pack tab: theme resource folders, each packed into an archive named
// after its (editable) row name.

#include "Velmoro.h"

#include "BackgroundRun.h"
#include "DialogSeam.h"
#include "RunReport.h"
#include "TabPage.h"
#include "TableSelection.h"
#include "archive/ThemePacker.h"

#include <QDir>
#include <QFileInfo>
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
    acceptFileDrops(themeFolderTable);

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
    themeFolderTable->setItem(row, 1, pathItem);
    themeFolderPaths.append(folderPath);
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

void Velmoro::packThemeFolder()
{
    if (themeFolderTable->rowCount() == 0)
        return;
    // An empty field puts each archive beside its own folder, never in the
    // file-system root.
    const bool besideFolder = workDirEdit->text().isEmpty();
    const QString output = outputFolder();
    QStringList folders;
    QStringList archives;
    QStringList names;
    for (int row = 0; row < themeFolderTable->rowCount(); ++row) {
        const QString folderPath = themeFolderTable->item(row, 1)->text();
        const QString archiveName = themeFolderTable->item(row, 0)->text() + QStringLiteral(".tsk");
        folders.append(folderPath);
        archives.append(besideFolder ? QFileInfo(folderPath).dir().filePath(archiveName)
                                     : output + QLatin1Char('/') + archiveName);
        names.append(themeFolderTable->item(row, 0)->text());
    }

    RunReport report;
    RunProgress progress;
    const auto sizeOf = [&folders](int i) {
        ThemePacker scanner;
        scanner.folderPath = folders[i];
        return scanner.contentSize();
    };
    const auto packOne = [&](int i, const ThemeAdvance &advance, QString &reason) {
        ThemePacker packer; // the header's theme name is the folder's own name
        packer.folderPath = folders[i];
        packer.themeFilePath = archives[i];
        packer.progress = [&advance](qint64 done, qint64) { return advance(done); };
        const bool packed = packer.pack();
        reason = packer.errorString;
        return packed;
    };
    const auto packAll = [&] { workThrough(folders, progress, report, sizeOf, packOne); };
    runThemes({tr("打包主题"), tr("所有主题资源已打包到工作目录文件夹下了！"),
                   tr("%1 个主题已打包，%2 个主题打包失败："),
                   tr("已取消：%1 个主题已打包，%2 个主题打包失败，%3 个主题未打包。")},
              tr("正在打包主题 %1（第 %2 个，共 %3 个）"), names, progress, report, packAll);
}
