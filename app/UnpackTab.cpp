// The unpack tab: theme archives, read when they are listed, previewed in the
// resource tree and unpacked into folders named after their themes.

#include "Velmoro.h"

#include "BackgroundRun.h"
#include "DialogSeam.h"
#include "RunReport.h"
#include "TabPage.h"
#include "TableSelection.h"
#include "archive/ThemeReader.h"

#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTabWidget>
#include <QTableWidget>
#include <QTreeWidget>

void Velmoro::createUnpackTab()
{
    unpackSplitter = new QSplitter;
    unpackSplitter->setObjectName(QStringLiteral("unpackSplitter"));

    themeFileTable = new QTableWidget;
    themeFileTable->setObjectName(QStringLiteral("themeFileTable"));
    themeFileTable->setColumnCount(2);
    themeFileTable->setHorizontalHeaderLabels({tr("主题名称"), tr("路径")});
    themeFileTable->horizontalHeader()->setStretchLastSection(true);
    themeFileTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    themeFileTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    connect(themeFileTable, &QTableWidget::itemSelectionChanged, this, &Velmoro::prevThemeResFiles);
    acceptFileDrops(themeFileTable);

    resourceTree = new QTreeWidget;
    resourceTree->setObjectName(QStringLiteral("resourceTree"));
    resourceTree->setColumnCount(3);
    resourceTree->setHeaderLabels({tr("资源文件名"), tr("大小"), tr("类型")});

    unpackSplitter->addWidget(themeFileTable);
    unpackSplitter->addWidget(resourceTree);

    addThemeFileButton = namedButton(tr("增加"), "addThemeFileButton");
    removeThemeFileButton = namedButton(tr("移除"), "removeThemeFileButton");
    unpackThemeFileButton = namedButton(tr("开始解压"), "unpackThemeFileButton");
    connect(addThemeFileButton, &QPushButton::clicked, this, &Velmoro::addThemeFile);
    connect(removeThemeFileButton, &QPushButton::clicked, this, &Velmoro::removeThemeFile);
    connect(unpackThemeFileButton, &QPushButton::clicked, this, &Velmoro::unpackThemeFile);

    QWidget *page = tabPage("unpackTab", unpackSplitter, addThemeFileButton,
                            removeThemeFileButton, unpackThemeFileButton);
    tabWidget->addTab(page, tr("解压主题"));
}

void Velmoro::appendThemeFileRow(const QString &archivePath)
{
    ThemeReader reader;
    ThemeEntryList entries;
    QString themeName;
    if (!reader.readIndex(archivePath, entries, themeName))
        return; // not a readable theme archive: no row, as quietly as a skipped duplicate

    // Resource path (without the leading "/") to size; the preview reads it
    // from here, so the archive is not opened again.
    QVariantMap sizes;
    for (const ThemeEntry &entry : std::as_const(entries))
        sizes.insert(entry.name.mid(1), entry.size);
    auto *nameItem = new QTableWidgetItem(themeName);
    nameItem->setData(Qt::UserRole, sizes);
    auto *pathItem = new QTableWidgetItem(archivePath);
    for (QTableWidgetItem *item : {nameItem, pathItem}) // rows are not dragged around
        item->setFlags(item->flags() & ~Qt::ItemIsDragEnabled);

    const int row = themeFileTable->rowCount();
    themeFileTable->insertRow(row);
    themeFileTable->setItem(row, 0, nameItem);
    themeFileTable->setItem(row, 1, pathItem);
    themeFilePaths.append(archivePath);
}

void Velmoro::addThemeFile()
{
    const QStringList files = dialogs->openFileNames(this, tr("选择主题文件"), lastDialogDir,
                                                     QStringLiteral("天天动听主题文件 (*.tsk)"));
    if (files.isEmpty())
        return;
    for (const QString &file : files) {
        const QString path = QDir::toNativeSeparators(file);
        if (!themeFilePaths.contains(path))
            appendThemeFileRow(path);
    }
    lastDialogDir = QFileInfo(files.first()).absolutePath();
}

void Velmoro::removeThemeFile()
{
    for (const int row : selectedRowsDescending(themeFileTable)) {
        themeFilePaths.removeOne(themeFileTable->item(row, 1)->text());
        themeFileTable->removeRow(row);
    }
}

void Velmoro::unpackThemeFile()
{
    if (themeFileTable->rowCount() == 0)
        return;
    // An empty field unpacks each archive beside itself, row by row, rather
    // than every archive beside the first one.
    const bool besideArchive = workDirEdit->text().isEmpty();
    const QString targetDir = outputFolder() + QLatin1Char('/'); // "/" alone for the root folder
    QStringList archives;
    QStringList names;
    for (int row = 0; row < themeFileTable->rowCount(); ++row) {
        archives.append(themeFileTable->item(row, 1)->text());
        names.append(themeFileTable->item(row, 0)->text());
    }

    RunReport report;
    RunProgress progress;
    ThemeReader reader; // one for the whole run
    reader.targetDir = targetDir;
    const auto sizeOf = [&archives](int i) { return QFileInfo(archives[i]).size(); };
    const auto unpackOne = [&](int i, const ThemeAdvance &advance, QString &reason) {
        reader.themeFilePath = archives[i];
        if (besideArchive)
            reader.targetDir.clear();
        reader.progress = [&advance](qint64 done, qint64) { return advance(done); };
        const bool unpacked = reader.extract();
        reason = reader.errorString;
        return unpacked;
    };
    const auto unpackAll = [&] { workThrough(archives, progress, report, sizeOf, unpackOne); };
    runThemes({tr("解压主题"), tr("所有主题已解压到工作目录文件夹下！"),
                   tr("%1 个主题已解压，%2 个主题解压失败："),
                   tr("已取消：%1 个主题已解压，%2 个主题解压失败，%3 个主题未解压。")},
              tr("正在解压主题 %1（第 %2 个，共 %3 个）"), names, progress, report, unpackAll);
}
