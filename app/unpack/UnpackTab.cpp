// SPDX-License-Identifier: MIT
// The unpack tab: theme archives, read when they are listed, previewed in the
// resource tree and unpacked into folders named after their themes.

#include "app/window/Velmoro.h"

#include "ArchiveWatch.h"
#include "app/preview/ResourcePane.h"
#include "app/run/BackgroundRun.h"
#include "app/run/FailureReason.h"
#include "app/window/DialogSeam.h"
#include "app/window/PathDelegate.h"
#include "app/window/TabPage.h"
#include "app/window/TableSelection.h"
#include "archive/ThemeReader.h"

#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTabWidget>
#include <QTableWidget>

void Velmoro::createUnpackTab()
{
    unpackSplitter = new QSplitter;
    unpackSplitter->setObjectName(QStringLiteral("unpackSplitter"));

    themeFileTable = new QTableWidget;
    themeFileTable->setObjectName(QStringLiteral("themeFileTable"));
    themeFileTable->setColumnCount(2);
    themeFileTable->setHorizontalHeaderLabels({tr("主题名称"), tr("路径")});
    // Name and path share the width, however narrow the table: neither is
    // pushed out of view behind a scroll bar, both are shortened instead.
    themeFileTable->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    themeFileTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    themeFileTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    themeFileTable->setTabKeyNavigation(false); // Tab leaves the table; arrows move between cells
    themeFileTable->setTextElideMode(Qt::ElideMiddle); // a long path keeps its start and its end
    themeFileTable->setWordWrap(false);                // on one line, shortened rather than broken
    // The path keeps its file name in view, its folders give way.
    themeFileTable->setItemDelegateForColumn(1, new PathDelegate(themeFileTable));
    connect(themeFileTable, &QTableWidget::itemSelectionChanged, this, &Velmoro::prevThemeResFiles);
    acceptFileDrops(themeFileTable);
    watchThemeFiles();
    addShowInFileManager(themeFileTable, showArchiveAction, "showArchiveAction");
    addCompareAction();

    // The tree sits in a pane of its own, between its filter and the
    // theme's summary, beside the preview of the selected resource.
    createResourcePane();
    unpackSplitter->addWidget(themeFileTable);
    unpackSplitter->addWidget(resourcePane);
    unpackSplitter->setStretchFactor(0, 1);
    unpackSplitter->setStretchFactor(1, 2);
    unpackSplitter->setSizes({260, 520}); // in proportion, at any window size
    unpackSplitter->setChildrenCollapsible(false);

    addThemeFileButton = namedButton(tr("增加"), "addThemeFileButton");
    removeThemeFileButton = namedButton(tr("移除"), "removeThemeFileButton");
    unpackThemeFileButton = namedButton(tr("开始解压"), "unpackThemeFileButton");
    connect(addThemeFileButton, &QPushButton::clicked, this, &Velmoro::addThemeFile);
    connect(removeThemeFileButton, &QPushButton::clicked, this, &Velmoro::removeThemeFile);
    connect(unpackThemeFileButton, &QPushButton::clicked, this, &Velmoro::unpackThemeFile);

    QWidget *page = tabPage("unpackTab", unpackSplitter, addThemeFileButton, removeThemeFileButton,
                            unpackThemeFileButton);
    tabWidget->addTab(page, tr("解压主题"));
}

ThemeFailure Velmoro::appendThemeFileRow(const QString &archivePath)
{
    ThemeReader reader;
    ThemeEntryList entries;
    QString themeName;
    if (!reader.readIndex(archivePath, entries, themeName))
        return reader.error.kind; // no row; the caller tells of damaged and unsafe archives

    auto *nameItem = new QTableWidgetItem;
    auto *pathItem = new QTableWidgetItem(archivePath);
    for (QTableWidgetItem *item : {nameItem, pathItem}) // rows are not dragged around
        item->setFlags(item->flags() & ~Qt::ItemIsDragEnabled);

    const int row = themeFileTable->rowCount();
    themeFileTable->insertRow(row);
    themeFileTable->setItem(row, 0, nameItem);
    themeFileTable->setItem(row, 1, pathItem);
    setThemeFileContents(row, themeName, entries, reader.version);
    themeFilePaths.append(archivePath);
    archiveWatch->add(archivePath);
    noteRecent(archivePath);
    return ThemeFailure::None;
}

// What the row shows and keeps of its archive's index, as read just now.
void Velmoro::setThemeFileContents(int row, const QString &themeName, const ThemeEntryList &entries,
                                   const QString &version)
{
    // Resource path (without the leading "/") to size; the preview reads it
    // from here, so the archive is not opened again.
    QVariantMap sizes;
    for (const ThemeEntry &entry : entries)
        sizes.insert(entry.name.mid(1), entry.size);
    QTableWidgetItem *nameItem = themeFileTable->item(row, 0);
    QTableWidgetItem *pathItem = themeFileTable->item(row, 1);
    nameItem->setText(themeName);
    nameItem->setData(Qt::UserRole, sizes);
    nameItem->setData(versionRole, version); // for the summary over the tree
    nameItem->setData(unavailableRole, QVariant());
    nameItem->setToolTip(themeName);
    pathItem->setToolTip(pathItem->text());
    for (QTableWidgetItem *item : {nameItem, pathItem})
        item->setData(Qt::ForegroundRole, QVariant());
}

void Velmoro::addThemeFile()
{
    const QStringList files = dialogs->openFileNames(this, tr("选择主题文件"), lastDialogDir,
                                                     QStringLiteral("天天动听主题文件 (*.tsk)"));
    if (files.isEmpty())
        return;
    QStringList refused;
    for (const QString &file : files) {
        const QString path = QDir::toNativeSeparators(file);
        if (!themeFilePaths.contains(path))
            noteRefusal(refused, path, appendThemeFileRow(path));
    }
    lastDialogDir = QFileInfo(files.first()).absolutePath();
    reportRefusals(refused);
}

void Velmoro::noteRefusal(QStringList &refused, const QString &archivePath, ThemeFailure failure)
{
    const QString reason = refusalReason(failure);
    if (!reason.isEmpty())
        refused.append(archivePath + tr("：") + reason);
}

void Velmoro::reportRefusals(const QStringList &refused)
{
    if (refused.isEmpty())
        return;
    WindowMessage message;
    message.kind = WindowMessage::Kind::Warning;
    message.title = tr("增加主题文件");
    message.text =
        tr("下列主题文件没有加入列表：") + QLatin1Char('\n') + refused.join(QLatin1Char('\n'));
    dialogs->showMessage(this, message);
}

void Velmoro::removeThemeFile()
{
    for (const int row : selectedRowsDescending(themeFileTable)) {
        themeFilePaths.removeOne(themeFileTable->item(row, 1)->text());
        archiveWatch->remove(themeFileTable->item(row, 1)->text());
        themeFileTable->removeRow(row);
    }
    // The preview shows only an archive that is still listed.
    const QString &previewed = resourcePane->shownArchive();
    if (!previewed.isEmpty() && !themeFilePaths.contains(previewed))
        resourcePane->clearResourcePreview();
}

void Velmoro::unpackThemeFile()
{
    if (themeFileTable->rowCount() == 0)
        return;
    ThemeRun run;
    run.kind = JobKind::Unpack;
    // An empty field unpacks each archive beside itself, row by row, rather
    // than every archive beside the first one.
    run.target = workDirTarget();
    for (int row = 0; row < themeFileTable->rowCount(); ++row) {
        JobItem item;
        item.source = themeFileTable->item(row, 1)->text();
        run.items.append(item);
        run.names.append(themeFileTable->item(row, 0)->text());
    }
    run.texts = {tr("解压主题"),
                 tr("所有主题已解压到工作目录文件夹下！"),
                 tr("所有主题已解压到文件夹 %1 下！"),
                 tr("所有主题已解压，每个主题都在它的主题文件旁边。"),
                 tr("%1 个主题已解压，%2 个主题解压失败："),
                 tr("已取消：%1 个主题已解压，%2 个主题解压失败，%3 个主题未解压。")};
    run.progressLabel = tr("正在解压主题 %1（第 %2 个，共 %3 个）");
    run.intoWorkDir = !run.target.folder.isEmpty();
    startRun(std::move(run));
}
