// SPDX-License-Identifier: MIT
// The preview beside the unpack table: the pane that shows the selected
// archive's resources, fed from what the row holds, and what it needs of
// the window (its dialogs, the work directory, the background run).

#include "app/window/Velmoro.h"

#include "app/preview/ResourcePane.h"
#include "app/run/BackgroundRun.h"

#include <QLineEdit>
#include <QTableWidget>

void Velmoro::createResourcePane()
{
    resourcePane = new ResourcePane(iconStore, windowIcon(), dialogs);
    resourceTree = resourcePane->tree();
    resourcePane->runGoing = [this] { return isRunning(); };
    resourcePane->startRun = [this](ThemeRun run) { startRun(std::move(run)); };
    resourcePane->extractStartFolder = [this] { return workDirEdit->text(); };
    resourcePane->progressDialogDelay = [this] { return progressDialogDelay; };
}

void Velmoro::prevThemeResFiles()
{
    const QList<QTableWidgetItem *> selected = themeFileTable->selectedItems();
    if (selected.isEmpty())
        return; // the last preview stays
    showThemeFileRow(selected.first()->row());
}

// A row whose archive cannot be read any more shows as such, the last
// contents read from it no longer.
void Velmoro::showThemeFileRow(int row)
{
    const QTableWidgetItem *nameCell = themeFileTable->item(row, 0);
    PreviewedTheme theme;
    theme.archive = themeFileTable->item(row, 1)->text();
    theme.name = nameCell->text();
    theme.version = nameCell->data(versionRole).toString();
    theme.sizes = nameCell->data(Qt::UserRole).toMap();
    const QString unavailable = nameCell->data(unavailableRole).toString();
    if (unavailable.isEmpty())
        resourcePane->showTheme(theme);
    else
        resourcePane->showUnavailableTheme(theme, unavailable);
}

void Velmoro::insertResourcePath(QTreeWidgetItem *parent, QString path, int size)
{
    resourcePane->insertResourcePath(parent, std::move(path), size);
}
