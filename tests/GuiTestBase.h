// SPDX-License-Identifier: MIT
#pragma once

// The shared fixture of the window tests: each test gets a fresh temporary
// folder as its per-user data location and a new window whose file dialogs,
// message boxes and file manager are answered by script and recorded.

#include "TestArchive.h"
#include "app/window/DialogSeam.h"
#include "app/window/Velmoro.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QQueue>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <QUrl>

#include <functional>
#include <memory>

// Answers the window's dialogs from queues and records everything it showed.
class ScriptedDialogs : public DialogSeam
{
public:
    struct Request
    {
        QString caption;
        QString startDir;
        QString filter;
    };

    QQueue<QString> folders;       // answers to folder dialogs ("" cancels)
    QQueue<QStringList> fileLists; // answers to file dialogs ({} cancels)
    QList<Request> requests;
    QList<WindowMessage> messages; // every box, in the order shown
    QQueue<bool> actionAnswers;    // true presses a box's extra button; none left: OK
    QQueue<int> choices;           // answers to showChoice(); none left: 0 (OK)
    QStringList openedFolders;     // handed to the file manager
    QStringList shownFiles;        // shown selected in the file manager
    QList<QUrl> openedUrls;        // handed to the desktop's applications
    bool applicationFound = true;  // what opening a folder or a URL answers

    QString existingDirectory(QWidget *, const QString &caption, const QString &startDir) override
    {
        requests.append({caption, startDir, QString()});
        return folders.isEmpty() ? QString() : folders.dequeue();
    }

    QStringList openFileNames(QWidget *, const QString &caption, const QString &startDir,
                              const QString &filter) override
    {
        requests.append({caption, startDir, filter});
        return fileLists.isEmpty() ? QStringList() : fileLists.dequeue();
    }

    bool showMessage(QWidget *, const WindowMessage &message) override
    {
        messages.append(message);
        return !message.actionText.isEmpty() && !actionAnswers.isEmpty() && actionAnswers.dequeue();
    }

    int showChoice(QWidget *, const WindowMessage &message) override
    {
        messages.append(message);
        return choices.isEmpty() ? 0 : choices.dequeue();
    }

    bool openFolder(const QString &folder) override
    {
        openedFolders.append(folder);
        return applicationFound;
    }

    bool showInFileManager(const QString &path) override
    {
        shownFiles.append(path);
        return applicationFound;
    }

    bool openUrl(const QUrl &url) override
    {
        openedUrls.append(url);
        return applicationFound;
    }
};

// While it lives, sees every window as it is shown (by the object name of
// its widget), so even one that closes again at once is noticed; `onShow`
// may act on it.
class ShownWindows : public QObject
{
public:
    explicit ShownWindows(std::function<void(QWidget *)> action = {}) : onShow(std::move(action))
    {
        qApp->installEventFilter(this);
    }
    ~ShownWindows() override { qApp->removeEventFilter(this); }

    QStringList names;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Show && watched->isWidgetType()) {
            auto *shown = static_cast<QWidget *>(watched);
            if (shown->isWindow()) {
                names.append(shown->objectName());
                if (onShow)
                    onShow(shown);
            }
        }
        return false;
    }

private:
    std::function<void(QWidget *)> onShow;
};

class GuiTestBase : public QObject
{
    Q_OBJECT

protected:
    // Set by a suite's constructor: whether each new window is shown, and how
    // long its runs go before their progress dialog shows.
    bool showWindow = false;
    int progressDialogDelay = 500;

    QString path(const QString &name) const { return temp->filePath(name); }
    QString settingsFile() const
    {
        return path(QStringLiteral("data/Orvane/Velmoro/Settings/Settings.xml"));
    }

    // A widget or action of the window by object name; a missing one ends the
    // whole run, as the suite cannot go on without it.
    template <typename T> T *widget(const char *name) const
    {
        T *found = window->findChild<T *>(QLatin1String(name));
        if (!found)
            qFatal("The window has no %s named %s", T::staticMetaObject.className(), name);
        return found;
    }
    void click(const char *button) { widget<QPushButton>(button)->click(); }
    void setWorkDir(const QString &dir) { widget<QLineEdit>("workDirEdit")->setText(dir); }

    void newWindow()
    {
        window.reset();
        window = std::make_unique<Velmoro>();
        window->setDialogSeam(&dialogs);
        window->setProgressDialogDelay(progressDialogDelay);
        if (showWindow) {
            window->show();
            QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        }
    }

    // Adds folders below the test's folder through the folder dialog, one by one.
    void addFolders(const QStringList &names)
    {
        for (const QString &name : names) {
            dialogs.folders.enqueue(path(name));
            click("addThemeFolderButton");
        }
    }

    // Adds archives below the test's folder through one file dialog.
    void addArchives(const QStringList &names)
    {
        QStringList files;
        for (const QString &name : names)
            files.append(path(name));
        dialogs.fileLists.enqueue(files);
        click("addThemeFileButton");
    }

    void selectRows(QTableWidget *table, const QList<int> &rows)
    {
        table->clearSelection();
        for (const int row : rows)
            table->item(row, 0)->setSelected(true);
    }

    // Waits until the window's run is over (reported, or the window closed).
    void waitForRunEnd()
    {
        QVERIFY2(QTest::qWaitFor([this] { return !window->isRunning(); }, 120000),
                 "the run did not end");
    }

    // Clicks a run button and waits until the run is over.
    void runAndWait(const char *button)
    {
        click(button);
        waitForRunEnd();
    }

    // Presses on the name of the preview tree's row, moves far enough to
    // start a drag of the rows chosen, and lets go.
    void dragOut(QTreeWidgetItem *row)
    {
        QTreeWidget *tree = row->treeWidget();
        const QPoint at(tree->columnViewportPosition(0) + tree->columnWidth(0) - 5,
                        tree->visualItemRect(row).center().y());
        const QPoint away = at + QPoint(0, 2 * QApplication::startDragDistance());
        QTest::mousePress(tree->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseMove(tree->viewport(), at + QPoint(0, 1)); // the view gets ready to drag
        QTest::mouseMove(tree->viewport(), away);
        QTest::mouseRelease(tree->viewport(), Qt::LeftButton, {}, away);
    }

    QScopedPointer<QTemporaryDir> temp;
    std::unique_ptr<Velmoro> window;
    ScriptedDialogs dialogs;

private slots:
    void init()
    {
        // In the system's temporary folder, not in the last test's (see below).
        static const QString systemTemp = QDir::tempPath();
        temp.reset(new QTemporaryDir(systemTemp + QLatin1Char('/')
                                     + QCoreApplication::applicationName()
                                     + QStringLiteral("-XXXXXX")));
        QVERIFY(temp->isValid());
        qputenv("XDG_DATA_HOME", path(QStringLiteral("data")).toUtf8());
        // The window's copies for the desktop go there, so a test sees all it left.
        QDir().mkpath(path(QStringLiteral("tmp")));
        qputenv("TMPDIR", path(QStringLiteral("tmp")).toUtf8());
        dialogs = ScriptedDialogs();
        newWindow();
    }

    void cleanup() { window.reset(); }
};
