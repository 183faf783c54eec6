// SPDX-License-Identifier: MIT
#include "Velmoro.h"

#include "DialogSeam.h"
#include "TabPage.h"
#include "app/preview/ResourcePane.h"
#include "app/run/BackgroundRun.h"
#include "app/run/RunReport.h"

#include <QAction>
#include <QApplication>
#include <QBoxLayout>
#include <QCloseEvent>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>

#include <utility>

namespace {
DialogSeam toolkitDialogs;
} // namespace

Velmoro::Velmoro(QWidget *parent) : QMainWindow(parent), dialogs(&toolkitDialogs)
{
    workDirLabel = new QLabel(tr("当前工作路径："));
    workDirLabel->setObjectName(QStringLiteral("workDirLabel"));
    workDirEdit = new QLineEdit;
    workDirEdit->setObjectName(QStringLiteral("workDirEdit"));
    workDirLabel->setBuddy(workDirEdit);
    changeWorkDirButton = namedButton(tr("更改..."), "changeWorkDirButton");
    connect(changeWorkDirButton, &QPushButton::clicked, this, &Velmoro::changeWorkDir);

    tabWidget = new QTabWidget;
    tabWidget->setObjectName(QStringLiteral("tabWidget"));

    auto *workDirRow = new QHBoxLayout;
    workDirRow->addWidget(workDirLabel);
    workDirRow->addWidget(workDirEdit);
    workDirRow->addWidget(changeWorkDirButton);
    auto *mainLayout = new QVBoxLayout;
    mainLayout->addLayout(workDirRow);
    mainLayout->addWidget(tabWidget);
    auto *central = new QWidget;
    central->setObjectName(QStringLiteral("centralWidget"));
    central->setLayout(mainLayout);
    setCentralWidget(central);

    setWindowTitle(tr("Velmoro"));
    // "Velomro", not "Velmoro": the icon's resource name has always been
    // spelled this way, and the installed file and the tests use it.
    setWindowIcon(QIcon(QStringLiteral(":/Velomro.png")));

    createActions();
    createMenus();
    createUnpackTab();
    createPackTab();
    orderKeyboardFocus();
    loadSettings();
    restoreWindowState();

    setAcceptDrops(true);
    lastDialogDir = workDirEdit->text();

    // A quit that ends the event loop (exit()) leaves no time for the window
    // to close; the run is asked to stop at once, and the window waits for
    // it when it is destroyed.
    connect(qApp, &QCoreApplication::aboutToQuit, this, [this] {
        if (activeRun)
            activeRun->cancel();
    });
}

// A run still going is asked to stop and waited for (BackgroundRun).
Velmoro::~Velmoro()
{
    // Nothing the application reports reaches the window once its members
    // are gone.
    disconnect(qApp, nullptr, this, nullptr);
}

void Velmoro::orderKeyboardFocus()
{
    // Tab goes down the window: the work-directory row, the tabs, the
    // table, the preview's filter, tree and text, then the buttons; the tab in front decides which
    // of the two pages' widgets take part. The tab bar takes the focus in its
    // own place only: the tab widget would otherwise pass its focus on to it
    // a second time, after the last button.
    tabWidget->setFocusProxy(nullptr);
    tabWidget->setFocusPolicy(Qt::NoFocus);
    QList<QWidget *> order{workDirEdit, changeWorkDirButton, tabWidget->tabBar(), themeFileTable};
    order += resourcePane->focusChain();
    order +=
        {addThemeFileButton,   removeThemeFileButton,   unpackThemeFileButton, themeFolderTable,
         addThemeFolderButton, removeThemeFolderButton, packThemeFolderButton};
    for (qsizetype i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
}

void Velmoro::showTab(const char *pageName)
{
    if (auto *page = tabWidget->findChild<QWidget *>(QLatin1String(pageName)))
        tabWidget->setCurrentWidget(page);
}

QSize Velmoro::sizeHint() const
{
    return QSize(800, 450);
}

void Velmoro::setDialogSeam(DialogSeam *seam)
{
    dialogs = seam ? seam : &toolkitDialogs;
    resourcePane->setDialogSeam(dialogs);
}

void Velmoro::closeEvent(QCloseEvent *event)
{
    if (activeRun) {
        // Closing during a run (the title bar's button, or a quit of the
        // application) cancels it; the window closes when it has stopped,
        // so no archive is left half written.
        activeRun->cancel();
        closeAfterRun = true;
        event->ignore();
        return;
    }
    bool puttingBack = false;
    if (!resourcePane->mayClose(puttingBack)) {
        closeAfterPutBack = puttingBack;
        event->ignore();
        return;
    }
    saveSettings();
    saveWindowState();
    // The resources extracted to be opened or dragged out go with the window.
    resourcePane->removeScratchFiles();
}

// Starts a pack or unpack in the background; the window paints on but takes
// no new commands until finishRun().
void Velmoro::startRun(ThemeRun run)
{
    setBusy(true);
    activeRun = std::make_unique<BackgroundRun>(this, std::move(run), progressDialogDelay);
    // Queued, so the run is not destroyed from inside its own signal.
    connect(activeRun.get(), &BackgroundRun::finished, this, &Velmoro::finishRun,
            Qt::QueuedConnection);
    activeRun->start();
}

// Tells how the run went; when a close was asked for meanwhile, the window
// closes instead: the user has left.
void Velmoro::finishRun()
{
    const std::unique_ptr<BackgroundRun> run = std::move(activeRun);
    setBusy(false);
    const RunReport &report = run->report();
    const ThemeRun &inputs = run->inputs();
    if (inputs.kind == JobKind::Edit) {
        // The tree, sizes and summary show each archive as the edit left it.
        QStringList edited;
        for (const JobItem &item : inputs.items)
            edited.append(item.source);
        refreshThemeFiles(edited);
    }
    if (inputs.afterwards)
        inputs.afterwards(report);
    // Edits put back on closing that all went in let the window close; one
    // that failed keeps it open, and its box says why.
    const bool putBack = std::exchange(closeAfterPutBack, false) && report.failures.isEmpty()
                         && report.notDone.isEmpty();
    if (closeAfterRun || putBack) {
        closeAfterRun = false;
        close();
        return;
    }
    const WindowMessage message = inputs.reportMessage
                                      ? inputs.reportMessage(report)
                                      : runReportMessage(inputs.texts, report, inputs.intoWorkDir);
    if (message.text.isEmpty()) // a run that needs no word when it went well
        return;
    if (!dialogs->showMessage(this, message) || message.actionText.isEmpty())
        return;
    const QString folder = report.destinations.first();
    if (!dialogs->openFolder(folder)) { // a pressed button that does nothing would puzzle
        WindowMessage failed;
        failed.kind = WindowMessage::Kind::Warning;
        failed.title = message.title;
        failed.text =
            tr("系统中没有可以打开文件夹 %1 的文件管理器。").arg(QDir::toNativeSeparators(folder));
        dialogs->showMessage(this, failed);
    }
}

void Velmoro::setBusy(bool busy)
{
    // While a run goes on, the window paints but takes no new commands.
    centralWidget()->setEnabled(!busy);
    menuBar()->setEnabled(!busy);
}

void Velmoro::createActions()
{
    const auto makeAction = [this](QAction *&action, const char *name, const QString &text) {
        action = new QAction(text, this);
        action->setObjectName(QLatin1String(name));
    };
    makeAction(addThemeFileAction, "addThemeFileAction", tr("增加主题文件"));
    connect(addThemeFileAction, &QAction::triggered, this, &Velmoro::addFile);
    makeAction(addThemeFolderAction, "addThemeFolderAction", tr("增加主题资源文件夹"));
    connect(addThemeFolderAction, &QAction::triggered, this, &Velmoro::addFolder);
    makeAction(exitAction, "exitAction", tr("退出"));
    connect(exitAction, &QAction::triggered, this, &Velmoro::close);
    makeAction(aboutAction, "aboutAction", tr("关于"));
    connect(aboutAction, &QAction::triggered, this, &Velmoro::about);
    makeAction(aboutQtAction, "aboutQtAction", tr("关于Qt"));
    connect(aboutQtAction, &QAction::triggered, qApp, &QApplication::aboutQt);
    makeAction(helpDocAction, "helpDocAction", tr("帮助文档"));
    connect(helpDocAction, &QAction::triggered, this, &Velmoro::helpDoc);
}

void Velmoro::createMenus()
{
    fileMenu = menuBar()->addMenu(tr("文件(&F)"));
    fileMenu->setObjectName(QStringLiteral("fileMenu"));
    fileMenu->addAction(addThemeFileAction);
    fileMenu->addAction(addThemeFolderAction);
    recentMenu = fileMenu->addMenu(tr("最近打开"));
    recentMenu->setObjectName(QStringLiteral("recentMenu"));
    clearRecentAction = new QAction(tr("清除列表"), this);
    clearRecentAction->setObjectName(QStringLiteral("clearRecentAction"));
    connect(clearRecentAction, &QAction::triggered, this, [this] {
        recentPaths.clear();
        updateRecentMenu();
    });
    fileMenu->addSeparator();
    fileMenu->addAction(exitAction);

    helpMenu = menuBar()->addMenu(tr("帮助(&H)"));
    helpMenu->setObjectName(QStringLiteral("helpMenu"));
    helpMenu->addAction(helpDocAction);
    helpMenu->addSeparator();
    helpMenu->addAction(aboutAction);
    helpMenu->addAction(aboutQtAction);
}

// The menu's adds bring their tab to the front, so the user sees the rows
// arrive.
void Velmoro::addFile()
{
    showTab("unpackTab");
    addThemeFile();
}

void Velmoro::addFolder()
{
    showTab("packTab");
    addThemeFolder();
}

void Velmoro::about()
{
    WindowMessage message;
    message.kind = WindowMessage::Kind::About;
    message.title = tr("关于");
    message.text =
        tr("<h2>Velmoro %1</h2>"
           "<p>把主题资源文件夹打包成主题文件，或把主题文件解压成文件夹，一步完成；"
           "解压前还能预览主题里的每一个资源。"
           "<p>Velmoro 是一款可以让你方便地解压和打包Android版本天天动听主题(.tsk)文件的软件。"
           "该版本发布于2013年01月03日。"
           "<p>^_^欢迎联系: velmoro@example.org")
            .arg(QStringLiteral(VELMORO_VERSION));
    dialogs->showMessage(this, message);
}

void Velmoro::helpDoc()
{
    WindowMessage message;
    message.title = tr("帮助文档");
    message.text = tr("不好意思，帮助文档尚未完成！");
    dialogs->showMessage(this, message);
}

void Velmoro::changeWorkDir()
{
    const QString folder =
        dialogs->existingDirectory(this, tr("选择一个工作目录"), workDirEdit->text());
    if (!folder.isEmpty())
        workDirEdit->setText(QDir::toNativeSeparators(folder));
}
