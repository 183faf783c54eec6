// SPDX-License-Identifier: MIT
// What reaches the two tables besides their buttons: folders and theme
// archives dropped on them or named on the command line, listed as if added
// through the dialogs, and the Delete key.

#include "Velmoro.h"

#include "app/preview/ResourceTree.h"

#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMimeData>
#include <QTabWidget>
#include <QTableWidget>
#include <QUrl>

void Velmoro::acceptFileDrops(QTableWidget *table)
{
    // Drags over the cells arrive at the viewport, over the frame at the
    // table: the window watches both. In "internal move" mode the view itself
    // leaves drags from other programs alone, so what the window decides
    // about them stands; its items are not draggable, so rows never move.
    table->installEventFilter(this);
    table->viewport()->installEventFilter(this);
    table->setDragDropMode(QAbstractItemView::InternalMove);
}

// Dropped URLs as paths; what is not a local file (a web address) is left
// out, so it can never stand for the current folder by accident.
static QStringList localPaths(const QList<QUrl> &urls)
{
    QStringList paths;
    for (const QUrl &url : urls) {
        if (url.isLocalFile())
            paths.append(url.toLocalFile());
    }
    return paths;
}

// Rows for every qualifying path not listed yet; true when any qualified.
// Archives refused as damaged or unsafe are noted in `refused`.
bool Velmoro::addPaths(QTableWidget *table, const QStringList &paths, QStringList &refused)
{
    const bool archives = table == themeFileTable;
    bool anyQualified = false;
    for (const QString &given : paths) {
        if (given.isEmpty())
            continue;
        QString path = QDir::toNativeSeparators(given);
        if (archives) {
            const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
            if (dot < 0 || path.mid(dot).toLower() != QLatin1String(".tsk"))
                continue;
            anyQualified = true;
            if (!themeFilePaths.contains(path))
                noteRefusal(refused, path, appendThemeFileRow(path));
        } else {
            if (!QFileInfo(path).isDir())
                continue;
            anyQualified = true;
            if (!themeFolderPaths.contains(path))
                appendThemeFolderRow(path);
        }
    }
    return anyQualified;
}

void Velmoro::openPaths(const QStringList &paths)
{
    QStringList absolute;
    for (const QString &path : paths)
        absolute.append(QFileInfo(path).absoluteFilePath());
    QStringList refused;
    const bool archives = addPaths(themeFileTable, absolute, refused);
    const bool folders = addPaths(themeFolderTable, absolute, refused);
    if (archives)
        showTab("unpackTab");
    else if (folders)
        showTab("packTab");
    reportRefusals(refused);
}

bool Velmoro::eventFilter(QObject *watched, QEvent *event)
{
    QTableWidget *table = nullptr;
    if (watched == themeFileTable || watched == themeFileTable->viewport())
        table = themeFileTable;
    else if (watched == themeFolderTable || watched == themeFolderTable->viewport())
        table = themeFolderTable;

    if (table && event->type() == QEvent::KeyPress
        && static_cast<QKeyEvent *>(event)->matches(QKeySequence::Delete)) {
        // Delete does what the table's "移除" button does.
        if (table == themeFileTable)
            removeThemeFile();
        else
            removeThemeFolder();
        return true;
    }
    if (table && event->type() == QEvent::DragEnter) {
        if (takeDragEnter(table, static_cast<QDragEnterEvent *>(event)))
            return true;
    } else if (table && event->type() == QEvent::Drop) {
        if (takeDrop(table, static_cast<QDropEvent *>(event)))
            return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

// True when the drag is the table's to refuse outright.
bool Velmoro::takeDragEnter(QTableWidget *table, QDragEnterEvent *enter)
{
    if (enter->mimeData()->hasFormat(ResourceTree::dragMarker)) {
        // Resources dragged out of the preview are copies made for the
        // drag, never folders or archives to list.
        enter->ignore();
        return true;
    }
    if (enter->mimeData()->hasFormat(QStringLiteral("text/uri-list"))) {
        // Rows are added as the drag enters; the drop only catches up.
        // Refused archives are named at the drop, not while the user
        // still holds the drag.
        QStringList refusedForNow;
        if (addPaths(table, localPaths(enter->mimeData()->urls()), refusedForNow))
            enter->acceptProposedAction();
        else
            enter->ignore();
    }
    return false;
}

// True when the drop is the table's to refuse outright.
bool Velmoro::takeDrop(QTableWidget *table, QDropEvent *drop)
{
    if (drop->mimeData()->hasFormat(ResourceTree::dragMarker)) {
        drop->ignore();
        return true;
    }
    QStringList refused; // tried again, as they got no row at the drag's entry
    if (drop->mimeData()->hasFormat(QStringLiteral("text/uri-list")))
        addPaths(table, localPaths(drop->mimeData()->urls()), refused);
    drop->accept();
    // After the drop has been answered, so the program the drag came
    // from is not kept waiting while the box is open.
    if (!refused.isEmpty())
        QMetaObject::invokeMethod(
            this, [this, refused] { reportRefusals(refused); }, Qt::QueuedConnection);
    return false;
}
