// Folders dragged onto the pack table and theme archives dragged onto the
// unpack table are listed as if they had been added through the dialogs.

#include "Velmoro.h"

#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
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

// Rows for every qualifying path not listed yet; true when any qualified.
bool Velmoro::addDroppedPaths(QTableWidget *table, const QList<QUrl> &urls)
{
    const bool archives = table == themeFileTable;
    bool anyQualified = false;
    for (const QUrl &url : urls) {
        if (!url.isLocalFile())
            continue; // not a file, and never the current folder by accident
        QString path = QDir::toNativeSeparators(url.toLocalFile());
        if (archives) {
            const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
            if (dot < 0 || path.mid(dot).toLower() != QLatin1String(".tsk"))
                continue;
            anyQualified = true;
            if (!themeFilePaths.contains(path))
                appendThemeFileRow(path);
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

bool Velmoro::eventFilter(QObject *watched, QEvent *event)
{
    QTableWidget *table = nullptr;
    if (watched == themeFileTable || watched == themeFileTable->viewport())
        table = themeFileTable;
    else if (watched == themeFolderTable || watched == themeFolderTable->viewport())
        table = themeFolderTable;

    if (table && event->type() == QEvent::DragEnter) {
        auto *enter = static_cast<QDragEnterEvent *>(event);
        if (enter->mimeData()->hasFormat(QStringLiteral("text/uri-list"))) {
            // Rows are added as the drag enters; the drop only catches up.
            if (addDroppedPaths(table, enter->mimeData()->urls()))
                enter->acceptProposedAction();
            else
                enter->ignore();
        }
    } else if (table && event->type() == QEvent::Drop) {
        auto *drop = static_cast<QDropEvent *>(event);
        if (drop->mimeData()->hasFormat(QStringLiteral("text/uri-list")))
            addDroppedPaths(table, drop->mimeData()->urls());
        drop->accept();
    }
    return QMainWindow::eventFilter(watched, event);
}
