// SPDX-License-Identifier: MIT
// The unpack table follows its archives on disk: a listed archive that was
// packed again (by velmoro-cli, another tool, an editor) is read again, and
// its row, tree, sizes, summary and preview show it as it is now.
//
// An archive that went away keeps its row, greyed, with a tooltip that says
// so, and comes back to life when the file returns: packers and editors
// often delete a file or rename another over it while they write, and a row
// that vanished then would take the user's list and selection with it. 移除
// takes a row away for good.

#include "app/window/Velmoro.h"

#include "ArchiveWatch.h"
#include "app/preview/ResourcePane.h"
#include "app/run/FailureReason.h"
#include "archive/ThemeReader.h"

#include <QTableWidget>

void Velmoro::watchThemeFiles()
{
    archiveWatch = new ArchiveWatch(this);
    connect(archiveWatch, &ArchiveWatch::changed, this, &Velmoro::refreshThemeFiles);
}

void Velmoro::refreshThemeFiles(const QStringList &archives)
{
    for (int row = 0; row < themeFileTable->rowCount(); ++row) {
        const QString archive = themeFileTable->item(row, 1)->text();
        if (!archives.contains(archive))
            continue;
        ThemeReader reader;
        ThemeEntryList entries;
        QString themeName;
        if (reader.readIndex(archive, entries, themeName))
            setThemeFileContents(row, themeName, entries, reader.version);
        else
            markThemeFileUnavailable(row, reader.error);
        if (resourcePane->shownArchive() == archive)
            showThemeFileRow(row);
    }
}

void Velmoro::markThemeFileUnavailable(int row, const ThemeError &error)
{
    const bool gone = error.kind == ThemeFailure::Missing;
    const QString state = gone ? tr("主题文件已不存在") : tr("主题文件现在无法读取");
    const QString reason =
        gone ? tr("找不到这个主题文件：它已被删除、移动或改名。文件回到原处时，这一行会自动恢复。")
             : failureReason(RunKind::Unpack, error);
    QTableWidgetItem *nameItem = themeFileTable->item(row, 0);
    QTableWidgetItem *pathItem = themeFileTable->item(row, 1);
    nameItem->setData(unavailableRole, state);
    nameItem->setToolTip(nameItem->text() + QLatin1Char('\n') + reason);
    pathItem->setToolTip(pathItem->text() + QLatin1Char('\n') + reason);
    const QBrush greyed = themeFileTable->palette().brush(QPalette::Disabled, QPalette::Text);
    for (QTableWidgetItem *item : {nameItem, pathItem})
        item->setForeground(greyed);
}
