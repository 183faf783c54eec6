// SPDX-License-Identifier: MIT
// What the tree hands to the desktop: a resource opened with the
// application for its type, rows dragged out to other programs as files.
// Both are copies made in the background (DesktopCopies).

#include "ResourcePane.h"

#include "DesktopCopies.h"
#include "DragHold.h"
#include "ResourcePaths.h"
#include "ResourceTree.h"
#include "app/unpack/ArchiveWatch.h"
#include "app/window/DialogSeam.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>

void ResourcePane::createDesktopCopies()
{
    desktopCopies = new DesktopCopies(this);
    desktopCopies->progressDelay = [this] {
        return progressDialogDelay ? progressDialogDelay() : 500;
    };
    resourceTree->filesForDrag = [this](const QList<QTreeWidgetItem *> &items) {
        return filesForDrag(items);
    };
    resourceTree->dragEnded = [this](bool dropped) {
        if (draggedCopy && !dropped)
            desktopCopies->discard(draggedCopy); // a cancelled drag leaves nothing new
        draggedCopy.reset();
    };
}

void ResourcePane::removeScratchFiles()
{
    // Their removal is no change of the user's.
    for (auto it = openedCopies.constBegin(); it != openedCopies.constEnd(); ++it)
        copyWatch->remove(it.key());
    openedCopies.clear();
    changedCopies.clear();
    showCopyChanges();
    draggedCopy.reset();
    desktopCopies->removeAll();
}

// Says why copies could not be made, once the event that asked for them is
// over: a drag may still hold the mouse.
void ResourcePane::tellCopyFailed(const DesktopCopy &copy)
{
    if (copy.report.failures.isEmpty())
        return;
    WindowMessage message;
    message.kind = WindowMessage::Kind::Warning;
    message.title = tr("取出资源");
    message.text =
        copy.report.failures.first().item + tr("：") + copy.report.failures.first().reason;
    message.details = runReportDetails(copy.report);
    QMetaObject::invokeMethod(
        this, [this, message] { dialogs->showMessage(window(), message); }, Qt::QueuedConnection);
}

// What a drag of these rows carries: copies of what they stand for, one file
// or folder per row that none of the others holds. Made before the drag
// begins, while the user holds it (holdDragUntilReady()).
QStringList ResourcePane::filesForDrag(const QList<QTreeWidgetItem *> &items)
{
    const QStringList names = entryNamesOf(items, previewedSizes);
    if (names.isEmpty())
        return {};
    // The rows may be gone once the copy is over (the archive changed on disk
    // and the tree was filled again): only their paths are kept.
    QStringList paths;
    for (const QTreeWidgetItem *item : outermostItems(items))
        paths.append(resourcePath(item));
    const std::shared_ptr<DesktopCopy> copy =
        desktopCopies->request(previewedArchive, previewedTheme, names);
    if (!holdDragUntilReady(*copy)) {
        if (copy->state == DesktopCopy::State::Failed)
            tellCopyFailed(*copy);
        desktopCopies->discard(copy);
        return {};
    }
    QStringList files;
    for (const QString &path : std::as_const(paths)) {
        const QString file = copy->copyOf(path);
        if (QFileInfo::exists(file))
            files.append(file);
    }
    if (!files.isEmpty())
        draggedCopy = copy;
    return files;
}

void ResourcePane::openCurrentResource()
{
    openResource(resourceTree->currentItem());
}

// Hands a resource file to the desktop's application for its type, once its
// copy is there; folders only open and close in the tree.
void ResourcePane::openResource(QTreeWidgetItem *item)
{
    if (!isResourceFile(item, previewedSizes))
        return;
    const QString path = resourcePath(item);
    if (openChangedCopy(path))
        return;
    const std::shared_ptr<DesktopCopy> copy =
        desktopCopies->request(previewedArchive, previewedTheme, {QLatin1Char('/') + path});
    if (copy->over()) {
        openCopy(*copy, path);
        return;
    }
    // The copies keep the request until it is over.
    DesktopCopy *pending = copy.get();
    copy->finished = [this, pending, path] { openCopy(*pending, path); };
}

void ResourcePane::openCopy(const DesktopCopy &copy, const QString &path)
{
    if (copy.state == DesktopCopy::State::Failed)
        tellCopyFailed(copy);
    const QString file = copy.copyOf(path);
    if (copy.state != DesktopCopy::State::Ready || !QFileInfo(file).isFile())
        return;
    watchOpenedCopy(copy.archive, path, file); // what the other program saves is noticed
    if (!dialogs->openUrl(QUrl::fromLocalFile(file))) {
        WindowMessage message;
        message.kind = WindowMessage::Kind::Warning;
        message.title = tr("打开");
        message.text = tr("系统中没有可以打开 %1 的程序。").arg(path);
        dialogs->showMessage(window(), message);
    }
}
