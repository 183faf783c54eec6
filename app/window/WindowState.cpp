// SPDX-License-Identifier: MIT
// What the window remembers of itself besides the work directory: its size,
// place and splitters, and the archives and folders listed last (文件 → 最近打开).
// They are kept in a file of their own beside the settings file, whose
// layout (the work directory's text and nothing else) stays as it is.

#include "Velmoro.h"

#include "DialogSeam.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMenu>
#include <QScreen>
#include <QSettings>
#include <QSplitter>

namespace {

// How many archives and folders 最近打开 lists.
constexpr int recentCount = 10;

// The share of the screen the window takes at most when it first opens.
constexpr double firstShare = 0.9;

const QString geometryKey = QStringLiteral("window/geometry");
const QString recentKey = QStringLiteral("recent/paths");

QString splitterKey(const QSplitter *splitter)
{
    return QStringLiteral("window/") + splitter->objectName();
}

} // namespace

QString Velmoro::windowStateFile() const
{
    return QFileInfo(settingsFilePath).absoluteDir().filePath(QStringLiteral("Window.ini"));
}

void Velmoro::restoreWindowState()
{
    const QSettings state(windowStateFile(), QSettings::IniFormat);
    recentPaths = state.value(recentKey).toStringList().mid(0, recentCount);
    updateRecentMenu();
    for (QSplitter *splitter : findChildren<QSplitter *>())
        splitter->restoreState(state.value(splitterKey(splitter)).toByteArray());
    // A remembered place is moved back onto a screen that is there now.
    if (restoreGeometry(state.value(geometryKey).toByteArray()))
        return;
    // The first time, the window's own size, but never larger than the
    // screen: with the desktop scaled up, a screen can be smaller than it.
    const QScreen *screen = QGuiApplication::primaryScreen();
    const QSize room = screen ? screen->availableSize() * firstShare : sizeHint();
    resize(sizeHint().boundedTo(room));
}

void Velmoro::saveWindowState()
{
    QSettings state(windowStateFile(), QSettings::IniFormat);
    state.setValue(geometryKey, saveGeometry());
    for (const QSplitter *splitter : findChildren<QSplitter *>())
        state.setValue(splitterKey(splitter), splitter->saveState());
    state.setValue(recentKey, recentPaths);
}

void Velmoro::noteRecent(const QString &path)
{
    recentPaths.removeAll(path);
    recentPaths.prepend(path);
    while (recentPaths.size() > recentCount)
        recentPaths.removeLast();
    updateRecentMenu();
}

void Velmoro::updateRecentMenu()
{
    recentMenu->clear();
    for (const QString &path : std::as_const(recentPaths)) {
        // A long path is shortened in the middle; "&" is no mnemonic here.
        QString text =
            fontMetrics().elidedText(path, Qt::ElideMiddle, 60 * fontMetrics().averageCharWidth());
        QAction *action =
            recentMenu->addAction(text.replace(QLatin1Char('&'), QStringLiteral("&&")));
        action->setToolTip(path);
        connect(action, &QAction::triggered, this, [this, path] { openRecent(path); });
    }
    recentMenu->addSeparator();
    recentMenu->addAction(clearRecentAction);
    recentMenu->setToolTipsVisible(true);
    clearRecentAction->setEnabled(!recentPaths.isEmpty());
}

void Velmoro::openRecent(const QString &path)
{
    if (QFileInfo::exists(path)) {
        openPaths({path});
        return;
    }
    recentPaths.removeAll(path);
    updateRecentMenu();
    WindowMessage gone;
    gone.kind = WindowMessage::Kind::Warning;
    gone.title = tr("最近打开");
    gone.text = tr("找不到 %1，它可能已被移动、改名或删除。").arg(QDir::toNativeSeparators(path));
    dialogs->showMessage(this, gone);
}
