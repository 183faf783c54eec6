// SPDX-License-Identifier: MIT
// Showing a file in the desktop's file manager, selected in its folder: each
// platform has its own way, and where none answers the folder is opened.

#include "DialogSeam.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QUrl>

#ifdef VELMORO_FILE_MANAGER_DBUS
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#endif

namespace {

#if defined(Q_OS_WIN)
bool showSelected(const QString &path)
{
    // Explorer reads "/select," and the path as one argument of its own
    // making: it is passed exactly as written here.
    QProcess explorer;
    explorer.setProgram(QStringLiteral("explorer.exe"));
    explorer.setNativeArguments(
        QStringLiteral("/select,\"%1\"").arg(QDir::toNativeSeparators(path)));
    return explorer.startDetached();
}
#elif defined(Q_OS_MACOS)
bool showSelected(const QString &path)
{
    return QProcess::startDetached(QStringLiteral("open"), {QStringLiteral("-R"), path});
}
#elif defined(VELMORO_FILE_MANAGER_DBUS)
// The desktops' common interface (org.freedesktop.FileManager1), when a file
// manager offers it on the session bus or can be started for it; the call
// is not waited for, so a file manager slow to start never holds the window.
bool showSelected(const QString &path)
{
    const QString service = QStringLiteral("org.freedesktop.FileManager1");
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface())
        return false;
    const bool running = bus.interface()->isServiceRegistered(service);
    const QDBusMessage startable =
        running
            ? QDBusMessage()
            : bus.call(QDBusMessage::createMethodCall(
                QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
                QStringLiteral("org.freedesktop.DBus"), QStringLiteral("ListActivatableNames")));
    if (!running
        && !(startable.type() == QDBusMessage::ReplyMessage && !startable.arguments().isEmpty()
             && startable.arguments().first().toStringList().contains(service)))
        return false;
    QDBusMessage show =
        QDBusMessage::createMethodCall(service, QStringLiteral("/org/freedesktop/FileManager1"),
                                       service, QStringLiteral("ShowItems"));
    show << QStringList{QUrl::fromLocalFile(path).toString()} << QString();
    return bus.send(show);
}
#else
bool showSelected(const QString &)
{
    return false;
}
#endif

} // namespace

bool DialogSeam::showInFileManager(const QString &path)
{
    return showSelected(QFileInfo(path).absoluteFilePath())
           || openFolder(QFileInfo(path).absolutePath());
}
