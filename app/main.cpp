// SPDX-License-Identifier: MIT
#include "app/preview/ScratchFolder.h"
#include "app/window/Velmoro.h"
#include "app/window/WindowProcess.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QLibraryInfo>
#include <QTranslator>

#include <csignal>

// Without a desktop session Qt falls back to the bare "hicolor" icon theme,
// which has no icons for file types; use a full theme installed on the
// system instead, so the preview shows what kind of file each resource is.
static void useFullIconTheme()
{
    if (!QIcon::themeName().isEmpty() && QIcon::themeName() != QLatin1String("hicolor"))
        return;
    for (const char *theme : {"Adwaita", "breeze", "Papirus", "gnome", "oxygen", "Tango"}) {
        for (const QString &folder : QIcon::themeSearchPaths()) {
            if (QFileInfo::exists(folder + QLatin1Char('/') + QLatin1String(theme)
                                  + QStringLiteral("/index.theme"))) {
                QIcon::setThemeName(QLatin1String(theme));
                return;
            }
        }
    }
}

// The system asks the process to end (the session ends, Ctrl+C, the
// terminal closed): the window ends as closing it does. Boxes and dialogs
// open over it are closed first, as their own close buttons would, so the
// window is the last to go and the event loop ends with it.
static void endAsClosing(Velmoro &window)
{
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget *other : windows) {
        if (other != &window && other->isVisible())
            other->close();
    }
    window.close();
}

int main(int argc, char *argv[])
{
#ifdef Q_OS_UNIX
    // Under a file size limit a write past it then fails (EFBIG) and that
    // theme is reported as failed, instead of the signal killing the window
    // in the middle of a file and leaving its temporary file behind.
    std::signal(SIGXFSZ, SIG_IGN);
#endif
    QApplication app(argc, argv);
    // The window speaks Chinese, so the toolkit's own buttons (OK, Cancel,
    // Show Details...) should too, where Qt's translations are installed.
    QTranslator toolkitTexts;
    if (toolkitTexts.load(QStringLiteral("qtbase_zh_CN"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&toolkitTexts);
    useFullIconTheme();
    // Watched before anything is made that an ending must take away.
    EndRequests endRequests;
    removeAbandonedScratchFolders(QDir::tempPath());
    Velmoro window;
    QObject::connect(&endRequests, &EndRequests::requested, &window,
                     [&window] { endAsClosing(window); });
    window.show();
    // Folders and theme archives named on the command line (as a file
    // manager passes them) are listed as if they had been dropped, once the
    // event loop runs, so that a box about refused archives opens over a
    // window that is already on screen.
    QMetaObject::invokeMethod(
        &window, [&window] { window.openPaths(QApplication::arguments().mid(1)); },
        Qt::QueuedConnection);
    const int code = app.exec();
    // Ended by a signal: said as a shell says it, as velmoro-cli does.
    return endRequests.signalNumber() ? 128 + endRequests.signalNumber() : code;
}
