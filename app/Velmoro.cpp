#include "Velmoro.h"

#include "BackgroundRun.h"
#include "RunReport.h"
#include "DialogSeam.h"
#include "TabPage.h"

#include <QAction>
#include <QApplication>
#include <QBoxLayout>
#include <QCloseEvent>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>

namespace {
DialogSeam toolkitDialogs;
} // namespace

Velmoro::Velmoro(QWidget *parent)
    : QMainWindow(parent), dialogs(&toolkitDialogs)
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
    setWindowIcon(QIcon(QStringLiteral(":/Velomro.png")));

    createActions();
    createMenus();
    createUnpackTab();
    createPackTab();
    loadSettings();

    setAcceptDrops(true);
    lastDialogDir = workDirEdit->text();
}

Velmoro::~Velmoro() = default;

QSize Velmoro::sizeHint() const
{
    return QSize(800, 450);
}

void Velmoro::setDialogSeam(DialogSeam *seam)
{
    dialogs = seam ? seam : &toolkitDialogs;
}

void Velmoro::closeEvent(QCloseEvent *event)
{
    if (activeRun) {
        // Closing during a run cancels it; the window closes when it has
        // stopped, so no archive is left half written.
        activeRun->cancelRequested = true;
        closeAfterRun = true;
        event->ignore();
        return;
    }
    saveSettings();
}

// Runs a pack or unpack in the background with the window taking no new
// commands, then tells how it went; a close asked for meanwhile happens now.
void Velmoro::runThemes(const RunReportTexts &texts, const QString &labelTemplate,
                        const QStringList &names, RunProgress &progress, const RunReport &report,
                        const std::function<void()> &work)
{
    setBusy(true);
    activeRun = &progress;
    runInBackground(this, texts.title, labelTemplate, names, progressDialogDelay, progress, work);
    activeRun = nullptr;
    setBusy(false);
    showRunReport(this, texts, report);
    if (closeAfterRun)
        close();
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
    fileMenu->addSeparator();
    fileMenu->addAction(exitAction);

    helpMenu = menuBar()->addMenu(tr("帮助(&H)"));
    helpMenu->setObjectName(QStringLiteral("helpMenu"));
    helpMenu->addAction(helpDocAction);
    helpMenu->addSeparator();
    helpMenu->addAction(aboutAction);
    helpMenu->addAction(aboutQtAction);
}

void Velmoro::addFile()
{
    addThemeFile();
}

void Velmoro::addFolder()
{
    addThemeFolder();
}

void Velmoro::about()
{
    QMessageBox::about(
        this, tr("关于"),
        tr("<h2>Velmoro 1.0.0</h2>"
           "<p>把主题资源文件夹打包成主题文件，或把主题文件解压成文件夹，一步完成；"
           "解压前还能预览主题里的每一个资源。"
           "<p>Velmoro 是一款可以让你方便地解压和打包Android版本天天动听主题(.tsk)文件的软件。"
           "该版本发布于2013年01月03日。"
           "<p>^_^欢迎联系: velmoro@example.org"));
}

void Velmoro::helpDoc()
{
    QMessageBox::information(this, tr("帮助文档"), tr("不好意思，帮助文档尚未完成！"));
}

void Velmoro::changeWorkDir()
{
    const QString folder =
        dialogs->existingDirectory(this, tr("选择一个工作目录"), workDirEdit->text());
    if (!folder.isEmpty())
        workDirEdit->setText(QDir::toNativeSeparators(folder));
}

QString Velmoro::outputFolder() const
{
    QString folder = QDir::fromNativeSeparators(workDirEdit->text());
    if (folder.endsWith(QLatin1Char('/')))
        folder.chop(1);
    return folder;
}
