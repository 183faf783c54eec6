// SPDX-License-Identifier: MIT
// What reaches the two tables besides their buttons: folders and theme
// archives dropped on them (or anywhere on the window) or named on the
// command line, listed as if added through the dialogs; the Delete key; and
// their context menus.

#include "Velmoro.h"

#include "DialogSeam.h"
#include "app/preview/ResourceTree.h"

#include <QAction>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMimeData>
#include <QTabWidget>
#include <QTableWidget>
#include <QUrl>

#include <algorithm>

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

// Whether a path is one the window takes: an archive (by its name) or a folder.
static bool isTaken(const QString &path)
{
    return path.endsWith(QLatin1String(".tsk"), Qt::CaseInsensitive) || QFileInfo(path).isDir();
}

void Velmoro::openPaths(const QStringList &paths)
{
    QStringList absolute;
    for (const QString &path : paths)
        absolute.append(QFileInfo(path).absoluteFilePath());
    takePaths(absolute, nullptr);
}

// Archives go to the unpack tab and folders to the pack tab, wherever they
// arrived. The tab that took some comes to the front, unless they were
// dropped on a table that took some itself; damaged and unsafe archives are
// named in one box.
void Velmoro::takePaths(const QStringList &paths, const QTableWidget *under)
{
    QStringList refused;
    const bool archives = addPaths(themeFileTable, paths, refused);
    const bool folders = addPaths(themeFolderTable, paths, refused);
    const bool underTook =
        (under == themeFileTable && archives) || (under == themeFolderTable && folders);
    if (archives && !underTook)
        showTab("unpackTab");
    else if (folders && !underTook)
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
        // The table's own kind is listed as the drag enters; the rest, meant
        // for the other tab, at the drop. Refused archives are named at the
        // drop, not while the user still holds the drag.
        const QStringList paths = localPaths(enter->mimeData()->urls());
        QStringList refusedForNow;
        addPaths(table, paths, refusedForNow);
        if (std::any_of(paths.cbegin(), paths.cend(), isTaken))
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
    const QStringList paths = drop->mimeData()->hasFormat(QStringLiteral("text/uri-list"))
                                  ? localPaths(drop->mimeData()->urls())
                                  : QStringList();
    drop->accept();
    // After the drop has been answered, so the program the drag came
    // from is not kept waiting while a box about refused archives is open.
    if (!paths.isEmpty())
        QMetaObject::invokeMethod(
            this, [this, paths, table] { takePaths(paths, table); }, Qt::QueuedConnection);
    return false;
}

// Drops anywhere else on the window: over the work-directory row, the tabs,
// the preview.
void Velmoro::dragEnterEvent(QDragEnterEvent *event)
{
    const QMimeData *dragged = event->mimeData();
    QStringList paths;
    if (!dragged->hasFormat(ResourceTree::dragMarker) && dragged->hasUrls())
        paths = localPaths(dragged->urls());
    if (std::any_of(paths.cbegin(), paths.cend(), isTaken))
        event->acceptProposedAction();
    else
        event->ignore();
}

void Velmoro::dropEvent(QDropEvent *event)
{
    if (event->mimeData()->hasFormat(ResourceTree::dragMarker) || !event->mimeData()->hasUrls()) {
        event->ignore();
        return;
    }
    const QStringList paths = localPaths(event->mimeData()->urls());
    event->acceptProposedAction();
    QMetaObject::invokeMethod(
        this, [this, paths] { takePaths(paths, nullptr); }, Qt::QueuedConnection);
}

// 在文件管理器中显示 in the table's context menu, for the row the user is on.
void Velmoro::addShowInFileManager(QTableWidget *table, QAction *&action, const char *name)
{
    action = new QAction(tr("在文件管理器中显示"), this);
    action->setObjectName(QLatin1String(name));
    connect(action, &QAction::triggered, this, [this, table] { showInFileManager(table); });
    table->addAction(action);
    table->setContextMenuPolicy(Qt::ActionsContextMenu);
}

void Velmoro::showInFileManager(const QTableWidget *table)
{
    const QTableWidgetItem *current = table->currentItem();
    if (!current)
        return;
    const QString path = QDir::fromNativeSeparators(table->item(current->row(), 1)->text());
    if (dialogs->showInFileManager(path))
        return;
    WindowMessage failed; // a menu item that does nothing would puzzle
    failed.kind = WindowMessage::Kind::Warning;
    failed.title = tr("在文件管理器中显示");
    failed.text = tr("系统中没有可以打开文件夹 %1 的文件管理器。")
                      .arg(QDir::toNativeSeparators(QFileInfo(path).absolutePath()));
    dialogs->showMessage(this, failed);
}
