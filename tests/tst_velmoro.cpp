// SPDX-License-Identifier: MIT
// The main window driven end to end through its real slots, with file
// dialogs answered by script and message boxes answered as they open.

#include "GuiTestBase.h"
#include "archive/ThemeReader.h"
#include "cli/Cli.h"

#include <QAction>
#include <QBuffer>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMetaMethod>
#include <QProcess>
#include <QRegularExpression>
#include <QSplitter>
#include <QStandardPaths>
#include <QTabBar>
#include <QTabWidget>
#include <QTextEdit>
#include <QTimer>
#include <QTreeWidget>

#ifdef Q_OS_LINUX
#include <csignal>
#include <sys/resource.h>
#endif
#ifdef Q_OS_UNIX
#include <signal.h>
#endif

using namespace TestArchive;

class TestVelmoro : public GuiTestBase
{
    Q_OBJECT

private slots:
    void buildsWindow();
    void buildsMenus();
    void menuAddsBringTheirTabForward();
    void declaresCommandsInOrder();
    void showsHelpAndAbout();
    void changesWorkDir();

    void packsEndToEnd();
    void packsBesideFoldersWithoutWorkDir();
    void reportsFailedPacks();
    void skipsListedFolders();
    void removesSelectedFolderRows();
    void remembersDialogFolder();
    void doesNothingWithEmptyTables();
    void refusesUnusablePackNames_data();
    void refusesUnusablePackNames();

    void unpacksEndToEnd();
    void unpacksBesideArchivesWithoutWorkDir();
    void reportsFailedUnpacks();
    void listsReadableArchivesOnce();
    void removesSelectedArchiveRows();

    void completionNamesDestination_data();
    void completionNamesDestination();
    void explainsFailures_data();
    void explainsFailures();
    void runsAsTheCommandLineDoes_data();
    void runsAsTheCommandLineDoes();
    void toolkitBoxOffersFolder_data();
    void toolkitBoxOffersFolder();

    void tabLeavesTables_data();
    void tabLeavesTables();

    void firstRunUsesDefault();
    void keepsWorkDirAcrossRuns_data();
    void keepsWorkDirAcrossRuns();
    void leavesFieldEmptyForUnreadableSettings();
    void fallsBackWhenSettingsFolderCannotBeMade();
    void exitActionSavesSettings();
    void endsAsClosingOnSignal_data();
    void endsAsClosingOnSignal();
};

void TestVelmoro::buildsWindow()
{
    QCOMPARE(window->windowTitle(), QStringLiteral("Velmoro"));
    QCOMPARE(window->sizeHint(), QSize(800, 450));
    QVERIFY(!window->windowIcon().isNull());
    const QImage icon(QStringLiteral(":/Velomro.png"));
    QCOMPARE(icon.size(), QSize(128, 128));
    QVERIFY(icon.hasAlphaChannel());
    QVERIFY(window->acceptDrops());

    auto *tabs = widget<QTabWidget>("tabWidget");
    QCOMPARE(tabs->count(), 2);
    QCOMPARE(tabs->currentIndex(), 0);
    QCOMPARE(tabs->tabText(0), QStringLiteral("解压主题"));
    QCOMPARE(tabs->tabText(1), QStringLiteral("打包主题"));

    const auto headers = [](QTableWidget *table) {
        return QStringList{table->horizontalHeaderItem(0)->text(),
                           table->horizontalHeaderItem(1)->text()};
    };
    auto *files = widget<QTableWidget>("themeFileTable");
    auto *folders = widget<QTableWidget>("themeFolderTable");
    QCOMPARE(headers(files), (QStringList{"主题名称", "路径"}));
    QCOMPARE(headers(folders), (QStringList{"主题名称", "主题资源文件夹路径"}));
    // The last section stretches; on the unpack table the first one too.
    QCOMPARE(files->horizontalHeader()->sectionResizeMode(1), QHeaderView::Stretch);
    QVERIFY(folders->horizontalHeader()->stretchLastSection());
    QCOMPARE(files->editTriggers(), QAbstractItemView::NoEditTriggers);
    QCOMPARE(files->selectionBehavior(), QAbstractItemView::SelectRows);
    auto *tree = widget<QTreeWidget>("resourceTree");
    QCOMPARE(tree->headerItem()->text(0), QStringLiteral("资源文件名"));
    QCOMPARE(tree->selectionMode(), QAbstractItemView::ExtendedSelection);
    QCOMPARE(tree->contextMenuPolicy(), Qt::ActionsContextMenu);
    QStringList menu;
    for (const QAction *action : tree->actions())
        menu.append(action->text());
    QCOMPARE(menu, (QStringList{"打开", "解压所选到…", "复制路径", "复制完整路径", "", "添加文件…",
                                "添加文件夹…", "替换…", "删除", "重命名"}));
    QVERIFY(!widget<QLineEdit>("resourceFilterEdit")->placeholderText().isEmpty());
    QCOMPARE(tree->headerItem()->text(1), QStringLiteral("大小"));
    QCOMPARE(tree->headerItem()->text(2), QStringLiteral("类型"));

    const QList<QPair<const char *, QString>> buttons{
        {"changeWorkDirButton", "更改..."},   {"addThemeFileButton", "增加"},
        {"removeThemeFileButton", "移除"},    {"unpackThemeFileButton", "开始解压"},
        {"addThemeFolderButton", "增加"},     {"removeThemeFolderButton", "移除"},
        {"packThemeFolderButton", "打包主题"}};
    for (const auto &button : buttons)
        QCOMPARE(widget<QPushButton>(button.first)->text(), button.second);
    QCOMPARE(widget<QLabel>("workDirLabel")->text(), QStringLiteral("当前工作路径："));
    widget<QSplitter>("unpackSplitter");

    // Folder rows: the name cell is editable, the path cell inert.
    QDir().mkpath(path("blue"));
    addFolders({"blue"});
    QVERIFY(folders->item(0, 0)->flags() & Qt::ItemIsEditable);
    QCOMPARE(folders->item(0, 1)->flags(), Qt::NoItemFlags);
    QCOMPARE(folders->item(0, 0)->text(), QStringLiteral("blue"));
    QCOMPARE(folders->item(0, 1)->text(), QDir::toNativeSeparators(path("blue")));
    QCOMPARE(folders->item(0, 1)->toolTip(), QDir::toNativeSeparators(path("blue")));
    QCOMPARE(folders->textElideMode(), Qt::ElideMiddle); // long paths keep their start and end
    QCOMPARE(files->textElideMode(), Qt::ElideMiddle);
    QVERIFY(!folders->wordWrap() && !files->wordWrap());

    // Both tables' menus show the row's file or folder in the file manager.
    QCOMPARE(files->actions().first()->text(), QStringLiteral("在文件管理器中显示"));
    folders->setCurrentCell(0, 0);
    widget<QAction>("showFolderAction")->trigger();
    QCOMPARE(dialogs.shownFiles, QStringList{path("blue")});
}

void TestVelmoro::buildsMenus()
{
    const QList<QAction *> menus = window->menuBar()->actions();
    QCOMPARE(menus.size(), 2);
    QCOMPARE(menus[0]->text(), QStringLiteral("文件(&F)"));
    QCOMPARE(menus[1]->text(), QStringLiteral("帮助(&H)"));
    QCOMPARE(menus[0]->menu(), widget<QMenu>("fileMenu"));
    QCOMPARE(menus[1]->menu(), widget<QMenu>("helpMenu"));

    const auto texts = [](QMenu *menu) {
        QStringList list;
        for (QAction *action : menu->actions()) {
            list.append(action->isSeparator() ? QStringLiteral("--") : action->text());
            if (!action->shortcut().isEmpty())
                list.append(QStringLiteral("shortcut!"));
        }
        return list;
    };
    QCOMPARE(texts(widget<QMenu>("fileMenu")),
             (QStringList{"增加主题文件", "增加主题资源文件夹", "最近打开", "--", "退出"}));
    QCOMPARE(texts(widget<QMenu>("helpMenu")), (QStringList{"帮助文档", "--", "关于", "关于Qt"}));
    for (const char *name : {"addThemeFileAction", "addThemeFolderAction", "exitAction",
                             "aboutAction", "aboutQtAction", "helpDocAction"})
        QVERIFY2(widget<QAction>(name)->parent() == window.get(), name);

    // The menu actions open the same dialogs as the tabs' buttons.
    widget<QAction>("addThemeFileAction")->trigger();
    widget<QAction>("addThemeFolderAction")->trigger();
    QCOMPARE(dialogs.requests.size(), 2);
    QCOMPARE(dialogs.requests[0].caption, QStringLiteral("选择主题文件"));
    QCOMPARE(dialogs.requests[0].filter, QStringLiteral("天天动听主题文件 (*.tsk)"));
    QCOMPARE(dialogs.requests[1].caption, QStringLiteral("选择一个主题文件夹"));
}

void TestVelmoro::menuAddsBringTheirTabForward()
{
    auto *tabs = widget<QTabWidget>("tabWidget");
    widget<QAction>("addThemeFolderAction")->trigger(); // cancelled, but the tab comes forward
    QCOMPARE(tabs->currentWidget()->objectName(), QStringLiteral("packTab"));
    writeFile(path("demo.tsk"), demoArchive());
    dialogs.fileLists.enqueue({path("demo.tsk")});
    widget<QAction>("addThemeFileAction")->trigger();
    QCOMPARE(tabs->currentWidget()->objectName(), QStringLiteral("unpackTab"));
    QCOMPARE(widget<QTableWidget>("themeFileTable")->rowCount(), 1);
}

void TestVelmoro::declaresCommandsInOrder()
{
    const QMetaObject *meta = window->metaObject();
    QCOMPARE(meta->className(), "Velmoro");
    QStringList slotNames;
    for (int i = meta->methodOffset(); i < meta->methodCount(); ++i) {
        const QMetaMethod method = meta->method(i);
        if (method.methodType() == QMetaMethod::Slot && method.access() == QMetaMethod::Private)
            slotNames.append(QString::fromLatin1(method.methodSignature()));
    }
    QCOMPARE(slotNames.mid(0, 12),
             (QStringList{"addFile()", "addFolder()", "about()", "helpDoc()", "changeWorkDir()",
                          "addThemeFile()", "removeThemeFile()", "unpackThemeFile()",
                          "prevThemeResFiles()", "addThemeFolder()", "removeThemeFolder()",
                          "packThemeFolder()"}));
}

void TestVelmoro::showsHelpAndAbout()
{
    widget<QAction>("helpDocAction")->trigger();
    widget<QAction>("aboutAction")->trigger();
    QCOMPARE(dialogs.messages.size(), 2);
    QCOMPARE(dialogs.messages[0].kind, WindowMessage::Kind::Information);
    QCOMPARE(dialogs.messages[0].title, QStringLiteral("帮助文档"));
    QCOMPARE(dialogs.messages[0].text, QStringLiteral("不好意思，帮助文档尚未完成！"));
    QCOMPARE(dialogs.messages[1].kind, WindowMessage::Kind::About);
    QCOMPARE(dialogs.messages[1].title, QStringLiteral("关于"));
    const QString about = dialogs.messages[1].text;
    // The version the project is built as, not a copy of it.
    QVERIFY(about.startsWith(
        QStringLiteral("<h2>Velmoro %1</h2><p>").arg(QStringLiteral(VELMORO_VERSION))));
    QVERIFY(about.contains(QStringLiteral(
        "<p>Velmoro 是一款可以让你方便地解压和打包Android版本天天动听主题(.tsk)文件的软件。该版本发布于2013年01月03日。<p>^_^欢迎联系: ")));
}

void TestVelmoro::changesWorkDir()
{
    setWorkDir(QStringLiteral("/no/such/folder"));
    dialogs.folders.enqueue(QString());
    dialogs.folders.enqueue(path("work"));
    click("changeWorkDirButton"); // cancelled
    QCOMPARE(widget<QLineEdit>("workDirEdit")->text(), QStringLiteral("/no/such/folder"));
    click("changeWorkDirButton");
    QCOMPARE(widget<QLineEdit>("workDirEdit")->text(), QDir::toNativeSeparators(path("work")));
    QCOMPARE(dialogs.requests[0].caption, QStringLiteral("选择一个工作目录"));
    QCOMPARE(dialogs.requests[1].startDir, QStringLiteral("/no/such/folder"));
    QVERIFY(!QFileInfo::exists(settingsFile())); // saved only when the window closes
}

void TestVelmoro::packsEndToEnd()
{
    writeFile(path("themes/blue/a.png"), "0123456789");
    writeFile(path("themes/blue/img/bg.jpg"), "abc");
    writeFile(path("themes/red/r.png"), "r");
    QDir().mkpath(path("out"));
    setWorkDir(QDir::toNativeSeparators(path("out")) + QDir::separator());
    addFolders({"themes/blue", "themes/red"});
    auto *table = widget<QTableWidget>("themeFolderTable");
    table->item(0, 0)->setText(QStringLiteral("Summer"));

    dialogs.actionAnswers.enqueue(true); // 打开文件夹
    runAndWait("packThemeFolderButton");
    QCOMPARE(dialogs.messages.size(), 1);
    QCOMPARE(dialogs.messages[0].kind, WindowMessage::Kind::Information);
    QCOMPARE(dialogs.messages[0].title, QStringLiteral("打包主题"));
    QCOMPARE(dialogs.messages[0].text, QStringLiteral("所有主题资源已打包到工作目录文件夹下了！"));
    QCOMPARE(dialogs.messages[0].actionText, QStringLiteral("打开文件夹"));
    QCOMPARE(dialogs.openedFolders, QStringList{path("out")});

    // Without a file manager the button says so instead of doing nothing.
    dialogs.applicationFound = false;
    dialogs.actionAnswers.enqueue(true);
    runAndWait("packThemeFolderButton");
    QCOMPARE(dialogs.messages.size(), 3);
    QCOMPARE(dialogs.messages[2].kind, WindowMessage::Kind::Warning);
    QCOMPARE(dialogs.messages[2].text, QStringLiteral("系统中没有可以打开文件夹 %1 的文件管理器。")
                                           .arg(QDir::toNativeSeparators(path("out"))));

    // The file is named after the row; the header after the folder.
    QCOMPARE(readFile(path("out/Summer.tsk")),
             build("blue", {{"/a.png", "0123456789"}, {"/img/bg.jpg", "abc"}}));
    QCOMPARE(readFile(path("out/red.tsk")), build("red", {{"/r.png", "r"}}));
    QCOMPARE(table->rowCount(), 2); // rows stay after packing
}

void TestVelmoro::packsBesideFoldersWithoutWorkDir()
{
    writeFile(path("one/blue/a"), "a");
    writeFile(path("two/red/b"), "b");
    setWorkDir(QString());
    addFolders({"one/blue", "two/red"});
    runAndWait("packThemeFolderButton");
    QCOMPARE(dialogs.messages.size(), 1);
    QCOMPARE(dialogs.messages[0].kind, WindowMessage::Kind::Information);
    QCOMPARE(readFile(path("one/blue.tsk")), build("blue", {{"/a", "a"}}));
    QCOMPARE(readFile(path("two/red.tsk")), build("red", {{"/b", "b"}}));
}

void TestVelmoro::reportsFailedPacks()
{
    writeFile(path("themes/blue/a"), "a");
    writeFile(path("themes/gone/b"), "b");
    writeFile(path("themes/red/c"), "c");
    QDir().mkpath(path("out"));
    setWorkDir(path("out"));
    addFolders({"themes/blue", "themes/gone", "themes/red"});
    QDir(path("themes/gone")).removeRecursively();

    runAndWait("packThemeFolderButton");
    QCOMPARE(dialogs.messages.size(), 1);
    const WindowMessage &box = dialogs.messages[0];
    QCOMPARE(box.kind, WindowMessage::Kind::Warning);
    QCOMPARE(box.title, QStringLiteral("打包主题"));
    const QString gone = QDir::toNativeSeparators(path("themes/gone"));
    // The failed folder with its reason (explainsFailures checks the words).
    QVERIFY2(box.text.startsWith(QStringLiteral("2 个主题已打包，1 个主题打包失败：\n") + gone
                                 + QStringLiteral("：")),
             qPrintable(box.text));
    QVERIFY2(box.details.startsWith(gone + QLatin1Char('\n')), qPrintable(box.details));
    QVERIFY(box.details.contains(QStringLiteral("\nThe dir path is NOT validate.")));
    QCOMPARE(box.actionText,
             QStringLiteral("打开文件夹")); // the two packed ones went to one folder
    QVERIFY(QFileInfo::exists(path("out/blue.tsk")) && QFileInfo::exists(path("out/red.tsk")));
}

void TestVelmoro::skipsListedFolders()
{
    QDir().mkpath(path("themes/blue"));
    addFolders({"themes/blue", "themes/blue"});
    dialogs.folders.enqueue(path("themes/blue") + QStringLiteral("/")); // same folder, other form
    click("addThemeFolderButton");
    QCOMPARE(widget<QTableWidget>("themeFolderTable")->rowCount(), 2);
    dialogs.folders.enqueue(QString()); // cancelled
    click("addThemeFolderButton");
    QCOMPARE(widget<QTableWidget>("themeFolderTable")->rowCount(), 2);
}

void TestVelmoro::removesSelectedFolderRows()
{
    for (const char *name : {"f0", "f1", "f2", "f3"})
        QDir().mkpath(path(QString::fromLatin1(name)));
    addFolders({"f0", "f1", "f2", "f3"});
    auto *table = widget<QTableWidget>("themeFolderTable");

    click("removeThemeFolderButton"); // nothing selected
    QCOMPARE(table->rowCount(), 4);
    selectRows(table, {3, 1});
    click("removeThemeFolderButton");
    QCOMPARE(table->rowCount(), 2);
    QCOMPARE(table->item(0, 0)->text(), QStringLiteral("f0"));
    QCOMPARE(table->item(1, 0)->text(), QStringLiteral("f2"));

    // The removed folders are no longer listed, so they can be added again;
    // the remaining ones still are.
    addFolders({"f1", "f2"});
    QCOMPARE(table->rowCount(), 3);
    QCOMPARE(table->item(2, 0)->text(), QStringLiteral("f1"));
}

void TestVelmoro::remembersDialogFolder()
{
    const QString workDir = widget<QLineEdit>("workDirEdit")->text();
    QDir().mkpath(path("themes/blue"));
    writeFile(path("archives/a.tsk"), demoArchive());
    writeFile(path("other/b.tsk"), demoArchive());

    addFolders({"themes/blue"});
    QCOMPARE(dialogs.requests.last().startDir,
             workDir); // the first dialog opens in the work directory
    dialogs.folders.enqueue(path("work"));
    click("changeWorkDirButton"); // does not move the next add dialog
    addArchives({"archives/a.tsk"});
    QCOMPARE(dialogs.requests.last().startDir, path("themes"));
    addArchives({"other/b.tsk"});
    QCOMPARE(dialogs.requests.last().startDir, path("archives"));
    addArchives({"archives/a.tsk", "other/b.tsk"}); // both listed already; still moves
    QCOMPARE(dialogs.requests.last().startDir, path("other"));
    click("addThemeFolderButton"); // cancelled: unchanged
    QCOMPARE(dialogs.requests.last().startDir, path("archives"));
    click("addThemeFileButton");
    QCOMPARE(dialogs.requests.last().startDir, path("archives"));
}

void TestVelmoro::doesNothingWithEmptyTables()
{
    click("packThemeFolderButton");
    click("unpackThemeFileButton");
    QVERIFY(!window->isRunning());
    QCOMPARE(dialogs.messages.size(), 0);
}

void TestVelmoro::refusesUnusablePackNames_data()
{
    QTest::addColumn<QStringList>("names"); // the name cells of three rows
    QTest::addColumn<QString>("problems");  // the box's lines after its first
    QTest::newRow("two rows, one archive")
        << QStringList{"same", "other", "same"}
        << "第 1 行“same”：与第 3 行打包成同一个主题文件\n第 3 行“same”：与第 1 行打包成同一个主题文件";
    QTest::newRow("empty name") << QStringList{"a", "", "b"} << "第 2 行“”：名称为空";
    QTest::newRow("blank name") << QStringList{"a", " \t ", "b"} << "第 2 行“ \t ”：名称只有空格";
    QTest::newRow("dot names") << QStringList{
        ".", "..", "b"} << "第 1 行“.”：名称不能是“.”或“..”\n第 2 行“..”：名称不能是“.”或“..”";
    QTest::newRow("separators") << QStringList{
        "../x", "a",
        "b\\c"} << "第 1 行“../x”：名称不能含有“/”或“\\”\n第 3 行“b\\c”：名称不能含有“/”或“\\”";
    const QString tooLong(86, QChar(0x84DD)); // 258 bytes of UTF-8, 262 with ".tsk"
    QTest::newRow("name too long for a file name")
        << QStringList{"a", tooLong, "b"}
        << "第 2 行“" + tooLong + "”：名称太长：加上“.tsk”后超过了文件名最多的 255 字节";
}

void TestVelmoro::refusesUnusablePackNames()
{
    QFETCH(QStringList, names);
    QFETCH(QString, problems);
    for (const char *folder : {"themes/f0/a", "themes/f1/b", "themes/f2/c"})
        writeFile(path(QLatin1String(folder)), "x");
    QDir().mkpath(path("out/work"));
    setWorkDir(path("out/work"));
    addFolders({"themes/f0", "themes/f1", "themes/f2"});
    auto *table = widget<QTableWidget>("themeFolderTable");
    for (int row = 0; row < names.size(); ++row)
        table->item(row, 0)->setText(names[row]);

    click("packThemeFolderButton");
    QVERIFY(!window->isRunning()); // refused before anything starts
    QCOMPARE(dialogs.messages.size(), 1);
    QCOMPARE(dialogs.messages[0].kind, WindowMessage::Kind::Warning);
    QCOMPARE(dialogs.messages[0].title, QStringLiteral("打包主题"));
    QCOMPARE(dialogs.messages[0].text,
             QStringLiteral("下列主题名称不能用作主题文件名，没有打包任何主题。请修改后再打包：\n")
                 + problems);
    QCOMPARE(listAll(path("out")), QStringList{"work"}); // nothing written, not even next to it
    QCOMPARE(listAll(path("themes")).size(), 6);

    // Once the names are fixed, the same rows pack.
    for (int row = 0; row < names.size(); ++row)
        table->item(row, 0)->setText(QStringLiteral("theme%1").arg(row));
    runAndWait("packThemeFolderButton");
    QCOMPARE(listAll(path("out/work")), (QStringList{"theme0.tsk", "theme1.tsk", "theme2.tsk"}));
}

void TestVelmoro::unpacksEndToEnd()
{
    writeFile(path("in/demo.tsk"), demoArchive());
    writeFile(path("in/other.tsk"), build("other", {{"/o", "o"}}));
    setWorkDir(QDir::toNativeSeparators(path("out")) + QDir::separator());
    addArchives({"in/demo.tsk", "in/other.tsk"});
    auto *table = widget<QTableWidget>("themeFileTable");
    QCOMPARE(table->rowCount(), 2);
    QCOMPARE(table->item(0, 0)->text(), QStringLiteral("demo"));
    QCOMPARE(table->item(0, 1)->text(), QDir::toNativeSeparators(path("in/demo.tsk")));
    QCOMPARE(table->item(0, 0)->data(Qt::UserRole).toMap(),
             (QVariantMap{{"a.png", 10}, {"img/bg.jpg", 3}}));

    runAndWait("unpackThemeFileButton");
    QCOMPARE(dialogs.messages.size(), 1);
    QCOMPARE(dialogs.messages[0].kind, WindowMessage::Kind::Information);
    QCOMPARE(dialogs.messages[0].title, QStringLiteral("解压主题"));
    QCOMPARE(dialogs.messages[0].text, QStringLiteral("所有主题已解压到工作目录文件夹下！"));
    QCOMPARE(listTree(path("out")),
             (QMap<QString, QByteArray>{
                 {"demo/a.png", "0123456789"}, {"demo/img/bg.jpg", "abc"}, {"other/o", "o"}}));
}

void TestVelmoro::unpacksBesideArchivesWithoutWorkDir()
{
    writeFile(path("one/first.tsk"), build("first", {{"/1", "1"}}));
    writeFile(path("two/second.tsk"), build("second", {{"/2", "2"}}));
    setWorkDir(QString());
    addArchives({"one/first.tsk", "two/second.tsk"});
    runAndWait("unpackThemeFileButton");
    QCOMPARE(dialogs.messages.size(), 1);
    QCOMPARE(readFile(path("one/first/1")), QByteArray("1"));
    QCOMPARE(readFile(path("two/second/2")), QByteArray("2"));
}

void TestVelmoro::reportsFailedUnpacks()
{
    writeFile(path("in/demo.tsk"), demoArchive());
    writeFile(path("in/gone.tsk"), build("gone", {{"/g", "g"}}));
    setWorkDir(path("out"));
    addArchives({"in/gone.tsk", "in/demo.tsk"});
    QFile::remove(path("in/gone.tsk"));

    runAndWait("unpackThemeFileButton");
    QCOMPARE(dialogs.messages.size(), 1);
    const WindowMessage &box = dialogs.messages[0];
    QCOMPARE(box.kind, WindowMessage::Kind::Warning);
    QCOMPARE(box.title, QStringLiteral("解压主题"));
    const QString gone = QDir::toNativeSeparators(path("in/gone.tsk"));
    const QString reason =
        QStringLiteral("找不到这个主题文件，它可能已被移动、改名或删除。请把它重新加入列表。");
    QCOMPARE(box.text, QStringLiteral("1 个主题已解压，1 个主题解压失败：\n") + gone
                           + QStringLiteral("：") + reason);
    QCOMPARE(box.details, gone + QLatin1Char('\n') + reason
                              + QStringLiteral("\nThe specified theme file is NOT exists."));
    QCOMPARE(readFile(path("out/demo/a.png")), QByteArray("0123456789"));
}

void TestVelmoro::listsReadableArchivesOnce()
{
    writeFile(path("in/demo.tsk"), demoArchive());
    writeFile(path("in/fake.tsk"), "not a theme archive");
    writeFile(path("in/cut.tsk"), demoArchive().left(90));
    addArchives({"in/demo.tsk", "in/fake.tsk", "in/demo.tsk", "in/cut.tsk", "in/missing.tsk"});
    addArchives({"in/demo.tsk"});
    QCOMPARE(widget<QTableWidget>("themeFileTable")->rowCount(), 1);
    // Files that are no theme archive, or missing, are left out quietly; a
    // damaged archive is named.
    QCOMPARE(dialogs.messages.size(), 1);
    QCOMPARE(dialogs.messages[0].text, QStringLiteral("下列主题文件没有加入列表：\n")
                                           + QDir::toNativeSeparators(path("in/cut.tsk"))
                                           + QStringLiteral("：损坏"));
}

void TestVelmoro::removesSelectedArchiveRows()
{
    for (const char *name : {"a0.tsk", "a1.tsk", "a2.tsk", "a3.tsk"})
        writeFile(path(QString::fromLatin1(name)), demoArchive());
    addArchives({"a0.tsk", "a1.tsk", "a2.tsk", "a3.tsk"});
    auto *table = widget<QTableWidget>("themeFileTable");
    selectRows(table, {0, 2});
    click("removeThemeFileButton");
    QCOMPARE(table->rowCount(), 2);
    QCOMPARE(table->item(0, 1)->text(), QDir::toNativeSeparators(path("a1.tsk")));
    QCOMPARE(table->item(1, 1)->text(), QDir::toNativeSeparators(path("a3.tsk")));
    addArchives({"a0.tsk", "a1.tsk"});
    QCOMPARE(table->rowCount(), 3);
}

void TestVelmoro::completionNamesDestination_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("workDir"); // "" for none
    QTest::addColumn<QStringList>("sources");
    QTest::addColumn<QString>("text");  // %1: the one destination folder
    QTest::addColumn<QString>("opens"); // what 打开文件夹 opens; "" when not offered

    const QStringList twoFolders{"one/blue", "two/red"};
    const QStringList sameParent{"one/blue", "one/red"};
    const QStringList twoPlaces{"one/blue.tsk", "two/red.tsk"};
    const QStringList samePlace{"one/blue.tsk", "one/red.tsk"};
    QTest::newRow("pack into the work directory")
        << "packThemeFolderButton"
        << "out" << twoFolders << "所有主题资源已打包到工作目录文件夹下了！"
        << "out";
    QTest::newRow("pack beside folders of one parent")
        << "packThemeFolderButton"
        << "" << sameParent << "所有主题资源已打包到文件夹 %1 下了！"
        << "one";
    QTest::newRow("pack beside folders in two places")
        << "packThemeFolderButton"
        << "" << twoFolders << "所有主题资源已打包，每个主题文件都在它的主题资源文件夹旁边。"
        << "";
    QTest::newRow("pack into a work directory not made yet")
        << "packThemeFolderButton"
        << "out/new/deeper" << twoFolders << "所有主题资源已打包到工作目录文件夹下了！"
        << "out/new/deeper";
    QTest::newRow("unpack into the work directory")
        << "unpackThemeFileButton"
        << "out" << twoPlaces << "所有主题已解压到工作目录文件夹下！"
        << "out";
    QTest::newRow("unpack beside archives of one folder")
        << "unpackThemeFileButton"
        << "" << samePlace << "所有主题已解压到文件夹 %1 下！"
        << "one";
    QTest::newRow("unpack beside archives in two places")
        << "unpackThemeFileButton"
        << "" << twoPlaces << "所有主题已解压，每个主题都在它的主题文件旁边。"
        << "";
}

void TestVelmoro::completionNamesDestination()
{
    QFETCH(QString, button);
    QFETCH(QString, workDir);
    QFETCH(QStringList, sources);
    QFETCH(QString, text);
    QFETCH(QString, opens);
    QDir().mkpath(path("out"));
    setWorkDir(workDir.isEmpty() ? QString() : path(workDir));
    if (button == QLatin1String("packThemeFolderButton")) {
        for (const QString &folder : sources)
            writeFile(path(folder + "/r.png"), "r");
        addFolders(sources);
    } else {
        for (const QString &archive : sources)
            writeFile(path(archive),
                      build(QFileInfo(archive).baseName().toUtf8(), {{"/r.png", "r"}}));
        addArchives(sources);
    }
    dialogs.actionAnswers.enqueue(true);
    runAndWait(button.toLatin1());

    QCOMPARE(dialogs.messages.size(), 1);
    QCOMPARE(dialogs.messages[0].kind, WindowMessage::Kind::Information);
    const QString destination = opens.isEmpty() ? QString() : path(opens);
    QCOMPARE(dialogs.messages[0].text,
             text.contains("%1") ? text.arg(QDir::toNativeSeparators(destination)) : text);
    QCOMPARE(dialogs.messages[0].actionText,
             opens.isEmpty() ? QString() : QStringLiteral("打开文件夹"));
    QCOMPARE(dialogs.openedFolders, opens.isEmpty() ? QStringList() : QStringList{destination});
}

void TestVelmoro::explainsFailures_data()
{
    QTest::addColumn<QString>("setUp");
    QTest::addColumn<QString>("reason");    // the sentence after the item in the box
    QTest::addColumn<bool>("systemReason"); // whether the system's reason is in the details

    QTest::newRow("locked sub-folder")
        << "lockedSubFolder"
        << "这个文件夹（或其中的文件、子文件夹）无法读取。请检查它们的读取权限后重试。" << true;
    QTest::newRow("locked work directory")
        << "lockedWorkDir"
        << "系统不允许在目标文件夹中写入。请换一个工作目录，或修改该文件夹的权限。" << true;
    QTest::newRow("missing folder")
        << "missingFolder"
        << "找不到这个主题资源文件夹，它可能已被移动、改名或删除。请把它重新加入列表。" << false;
    QTest::newRow("file size limit while unpacking")
        << "diskFull"
        << "有文件超过了系统允许本程序写入的文件大小（ulimit -f），没能写出（原有的文件保持不变）。请放宽这个限制后重试。"
        << true;
    QTest::newRow("archive damaged after it was listed")
        << "damagedArchive"
        << "主题文件已损坏，没有解压。请重新获取这个主题文件。" << false;
    QTest::newRow("archive unsafe after it was listed")
        << "unsafeArchive"
        << "主题文件含有指向目标文件夹之外的路径，为了安全没有解压。请向主题的提供者确认它的来源。"
        << false;
    // %out: the work directory, where the theme folder "second" would go.
    QTest::newRow("theme folder is a symbolic link")
        << "linkedThemeFolder"
        << "%out/second 是一个符号链接，为了安全，不会经由它写入文件。请删除或改名这个链接，或换一个目标文件夹后重试。"
        << true;
    QTest::newRow("a file where the theme folder goes")
        << "fileAsThemeFolder"
        << "%out/second 是一个文件，占据了要创建的文件夹的位置。请移走或改名这个文件，或换一个目标文件夹后重试。"
        << true;
}

// The failing item of each case is the last row; the box names it with a
// reason in Chinese, and its details add the library's English message and,
// where there is one, the system's reason.
void TestVelmoro::explainsFailures()
{
    QFETCH(QString, setUp);
    QFETCH(QString, reason);
    QFETCH(bool, systemReason);
    QDir().mkpath(path("out"));
    setWorkDir(path("out"));
    QString failing;
    const char *button = "packThemeFolderButton";
    if (setUp == QLatin1String("lockedSubFolder") || setUp == QLatin1String("lockedWorkDir")
        || setUp == QLatin1String("missingFolder")) {
        writeFile(path("themes/blue/a.png"), "a");
        writeFile(path("themes/blue/locked/b.png"), "b");
        addFolders({"themes/blue"});
        failing = path("themes/blue");
        if (setUp == QLatin1String("lockedSubFolder"))
            QFile::setPermissions(path("themes/blue/locked"), QFileDevice::Permissions());
        else if (setUp == QLatin1String("lockedWorkDir"))
            QFile::setPermissions(path("out"), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        else
            QDir(failing).removeRecursively();
    } else {
        button = "unpackThemeFileButton";
        writeFile(path("in/first.tsk"), build("first", {{"/1", "1"}}));
        writeFile(path("in/second.tsk"), build("second", {{"/big", QByteArray(256 * 1024, 'b')}}));
        addArchives({"in/first.tsk", "in/second.tsk"});
        failing = path("in/second.tsk");
        if (setUp == QLatin1String("damagedArchive"))
            writeFile(failing, build("second", {{"/big", "b"}}).left(60));
        else if (setUp == QLatin1String("unsafeArchive"))
            writeFile(failing, build("second", {{"/../escaped", "e"}}));
        else if (setUp == QLatin1String("linkedThemeFolder"))
            QVERIFY(QDir().mkpath(path("elsewhere"))
                    && QFile::link("../elsewhere", path("out/second")));
        else if (setUp == QLatin1String("fileAsThemeFolder"))
            writeFile(path("out/second"), "in the way");
    }
    reason.replace(QStringLiteral("%out"), QDir::toNativeSeparators(path("out")));

    {
        const FilePermissionsEnforced asUser;
#ifdef Q_OS_LINUX
        // Writes beyond 64 KiB fail as on a full disk (with "File too large").
        rlimit previousLimit{};
        getrlimit(RLIMIT_FSIZE, &previousLimit);
        const auto previousSignal = std::signal(SIGXFSZ, SIG_IGN);
        if (setUp == QLatin1String("diskFull")) {
            rlimit small = previousLimit;
            small.rlim_cur = 64 * 1024;
            setrlimit(RLIMIT_FSIZE, &small);
        }
        runAndWait(button);
        setrlimit(RLIMIT_FSIZE, &previousLimit);
        std::signal(SIGXFSZ, previousSignal);
#else
        if (setUp == QLatin1String("diskFull"))
            QSKIP("a full disk is imitated with a file size limit, on Linux");
        runAndWait(button);
#endif
    }
    QFile::setPermissions(path("out"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QFile::setPermissions(path("themes/blue/locked"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);

    QCOMPARE(dialogs.messages.size(), 1);
    const WindowMessage &box = dialogs.messages[0];
    QVERIFY2(box.text.endsWith(QLatin1Char('\n') + QDir::toNativeSeparators(failing)
                               + QStringLiteral("：") + reason),
             qPrintable(box.text));
    QVERIFY2(box.details.startsWith(QDir::toNativeSeparators(failing) + QLatin1Char('\n') + reason
                                    + QLatin1Char('\n')),
             qPrintable(box.details));
    QCOMPARE(box.details.contains(QStringLiteral("系统给出的原因：")), systemReason);
}

// The rules of a run live in the library: the window and the command line
// give the same answer for the same items. Each row is set up twice, run
// once through velmoro-cli and once through the window, and both must leave
// the same tree in out/ and agree on whether an item failed.
void TestVelmoro::runsAsTheCommandLineDoes_data()
{
    QTest::addColumn<QList<QByteArray>>("planted"); // as plant() takes them
    QTest::addColumn<QStringList>("items");         // folders to pack or archives to unpack
    QTest::addColumn<QString>("name");              // --name, and the pack row's name cell
    QTest::addColumn<QStringList>("tree"); // describeTree() of out/ afterwards, archives by name
    QTest::addColumn<bool>("fails");

    const QByteArray base = build("t", {{"/a", "base"}, {"/b", "b"}});
    const QByteArray patch = build("t", {{"/a", "patched"}, {"/c", "c"}});
    QTest::newRow("two archives of one theme: the later one's files win")
        << QList<QByteArray>{"f:base.tsk=" + base, "f:patch.tsk=" + patch}
        << QStringList{"base.tsk", "patch.tsk"} << ""
        << QStringList{"d:t", "f:t/a=patched", "f:t/b=b", "f:t/c=c"} << false;
    QTest::newRow("an entry ending in / makes its folder, // is /")
        << QList<QByteArray>{"f:odd.tsk=" + build("t", {{"/img/", ""}, {"//d.png", "D"}})}
        << QStringList{"odd.tsk"} << "" << QStringList{"d:t", "d:t/img", "f:t/d.png=D"} << false;
    QTest::newRow("a write-protected older file is not replaced, the others are written")
        << QList<QByteArray>{"f:w.tsk=" + base, "f:out/t/a=old", "m:out/t/a=0444"}
        << QStringList{"w.tsk"} << "" << QStringList{"d:t", "f:t/a=old", "f:t/b=b"} << true;
    QTest::newRow("a folder named with \\ packs under a usable name")
        << QList<QByteArray>{"f:a\\b/x=x"} << QStringList{"a\\b"} << "ab" << QStringList{"f:ab.tsk"}
        << false;
    QTest::newRow("names deeper than the reader takes are not packed")
        << QList<QByteArray>{"f:deep/" + QByteArray(200, '\\') + "/" + QByteArray(100, '\\') + "=x",
                             "f:out/deep.tsk=older"}
        << QStringList{"deep"} << "deep" << QStringList{"f:deep.tsk"} << true;
}

void TestVelmoro::runsAsTheCommandLineDoes()
{
#ifndef Q_OS_UNIX
    QSKIP("names as POSIX file systems take them");
#else
    QFETCH(QList<QByteArray>, planted);
    QFETCH(QStringList, items);
    QFETCH(QString, name);
    QFETCH(QStringList, tree);
    QFETCH(bool, fails);
    const bool pack = !items.first().endsWith(QLatin1String(".tsk"));
    // The window stores the folder's own name in the header, the command line
    // the --name it was given: archives are compared by name alone.
    const auto outTree = [this](const char *side) {
        return describeTree(path(QLatin1String(side) + QStringLiteral("/out")))
            .replaceInStrings(QRegularExpression(QStringLiteral("(\\.tsk)=.*"),
                                                 QRegularExpression::DotMatchesEverythingOption),
                              QStringLiteral("\\1"));
    };
    for (const char *side : {"cli", "window"}) {
        for (const QByteArray &instruction : planted)
            QVERIFY(plant(QFile::encodeName(path(QLatin1String(side))), instruction));
        QDir().mkpath(path(QLatin1String(side) + QStringLiteral("/out")));
    }

    QStringList arguments{pack ? "pack" : "unpack"};
    for (const QString &item : items)
        arguments.append(path(QStringLiteral("cli/") + item));
    arguments << "-d" << path("cli/out");
    if (!name.isEmpty())
        arguments << "--name" << name;
    QBuffer out, err;
    out.open(QIODevice::WriteOnly);
    err.open(QIODevice::WriteOnly);
    const FilePermissionsEnforced asAnyUser; // root too may not write a protected file
    QCOMPARE(runCli(QStringList{"velmoro-cli"} + arguments, {out, err}), fails ? 1 : 0);
    QCOMPARE(outTree("cli"), tree);

    setWorkDir(path("window/out"));
    QStringList sources;
    for (const QString &item : items)
        sources.append(QStringLiteral("window/") + item);
    if (pack) {
        addFolders(sources);
        if (!name.isEmpty())
            widget<QTableWidget>("themeFolderTable")->item(0, 0)->setText(name);
    } else {
        addArchives(sources);
    }
    runAndWait(pack ? "packThemeFolderButton" : "unpackThemeFileButton");
    QCOMPARE(dialogs.messages.last().kind,
             fails ? WindowMessage::Kind::Warning : WindowMessage::Kind::Information);
    QCOMPARE(outTree("window"), tree);
#endif
}

void TestVelmoro::toolkitBoxOffersFolder_data()
{
    QTest::addColumn<QString>("answer"); // a button's object name, or "Escape" or "close"
    QTest::addColumn<bool>("action");    // what the window hears
    QTest::newRow("extra button") << "actionButton" << true;
    QTest::newRow("OK") << "okButton" << false;
    QTest::newRow("Escape, though there is an extra button") << "Escape" << false;
    QTest::newRow("the title bar's close button") << "close" << false;
}

// The toolkit's box behind the seam: pressing its extra button is what the
// window hears, OK, Escape and closing it are not. A box of 300 failures
// with long paths stays within the screen; its lines scroll.
void TestVelmoro::toolkitBoxOffersFolder()
{
    QFETCH(QString, answer);
    QFETCH(bool, action);
    WindowMessage message{WindowMessage::Kind::Warning,
                          "打包主题",
                          "300 个主题打包失败：",
                          "details",
                          "打开文件夹",
                          {},
                          {}};
    for (int i = 0; i < 300; ++i)
        message.text +=
            QStringLiteral("\n/主题/很长的文件夹名称/%1.tsk：无法写入主题文件。").arg(i);
    QString shown;
    ShownWindows answerer([&](QWidget *box) {
        if (box->objectName() != QLatin1String("messageBox"))
            return;
        QTimer::singleShot(0, box, [&, box] {
            const QRect screen = box->screen()->availableGeometry();
            shown = screen.contains(box->frameGeometry()) ? "fits" : "too large";
            shown += '|' + box->findChild<QLabel *>("headlineLabel")->text() + '|'
                     + box->findChild<QTextEdit *>("itemList")->toPlainText().left(40);
            if (answer == QLatin1String("Escape"))
                QTest::keyClick(box, Qt::Key_Escape);
            else if (answer == QLatin1String("close"))
                box->close();
            else
                box->findChild<QPushButton *>(answer)->click();
        });
    });
    DialogSeam toolkit;
    QCOMPARE(toolkit.showMessage(nullptr, message), action);
    QCOMPARE(shown, QStringLiteral("fits|300 个主题打包失败：|") + message.text.mid(13, 40));
}

void TestVelmoro::tabLeavesTables_data()
{
    QTest::addColumn<QString>("page");
    QTest::addColumn<QString>("previewed"); // the resource the pane shows, if any
    QTest::addColumn<QStringList>("chain"); // focus after each Tab from the work-directory field
    QTest::newRow("unpack tab")
        << "unpackTab"
        << "" << QStringList{"changeWorkDirButton",   "qt_tabwidget_tabbar",   "themeFileTable",
                             "resourceFilterEdit",    "resourceTree",          "addThemeFileButton",
                             "removeThemeFileButton", "unpackThemeFileButton", "workDirEdit"};
    QTest::newRow("unpack tab, the pane showing text")
        << "unpackTab"
        << "b"
        << QStringList{"changeWorkDirButton", "qt_tabwidget_tabbar",   "themeFileTable",
                       "resourceFilterEdit",  "resourceTree",          "textView",
                       "addThemeFileButton",  "removeThemeFileButton", "unpackThemeFileButton",
                       "workDirEdit"};
    QTest::newRow("pack tab")
        << "packTab"
        << ""
        << QStringList{"changeWorkDirButton",  "qt_tabwidget_tabbar",     "themeFolderTable",
                       "addThemeFolderButton", "removeThemeFolderButton", "packThemeFolderButton",
                       "workDirEdit"};
}

void TestVelmoro::tabLeavesTables()
{
    QFETCH(QString, page);
    QFETCH(QString, previewed);
    QFETCH(QStringList, chain);
    for (const char *name : {"f0", "f1"})
        QDir().mkpath(path(QLatin1String(name)));
    writeFile(path("a.tsk"), demoArchive());
    writeFile(path("b.tsk"), build("b", {{"/b", "b"}}));
    window->openPaths({path("f0"), path("f1"), path("a.tsk"), path("b.tsk")});
    auto *tabs = widget<QTabWidget>("tabWidget");
    tabs->setCurrentWidget(tabs->findChild<QWidget *>(page));
    window->show();
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window.get()));

    auto *table = widget<QTableWidget>(page == QLatin1String("unpackTab") ? "themeFileTable"
                                                                          : "themeFolderTable");
    QVERIFY(!table->tabKeyNavigation());
    if (!previewed.isEmpty()) {
        selectRows(table, {1}); // theme b, whose one resource is the text "b"
        auto *tree = widget<QTreeWidget>("resourceTree");
        tree->setCurrentItem(tree->topLevelItem(0)->child(0));
        QTRY_VERIFY(widget<QWidget>("textView")->isVisible());
    }
    widget<QLineEdit>("workDirEdit")->setFocus();
    QStringList reached;
    for (int i = 0; i < chain.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        reached.append(QApplication::focusWidget()->objectName());
    }
    QCOMPARE(reached, chain);

    // Shift+Tab walks back out of the table; the arrows move between its cells.
    table->setFocus();
    table->setCurrentCell(0, 0);
    QTest::keyClick(table, Qt::Key_Down);
    QCOMPARE(table->currentRow(), 1);
    QTest::keyClick(table, Qt::Key_Backtab, Qt::ShiftModifier);
    QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("qt_tabwidget_tabbar"));

    // Enter presses the button that has the focus, as Space does.
    auto *add = widget<QPushButton>(page == QLatin1String("packTab") ? "addThemeFolderButton"
                                                                     : "addThemeFileButton");
    add->setFocus();
    QTest::keyClick(add, Qt::Key_Return);
    QCOMPARE(dialogs.requests.size(), 1);
}

void TestVelmoro::firstRunUsesDefault()
{
    QVERIFY(QFileInfo(path("data/Orvane/Velmoro/Settings")).isDir()); // made at start-up
    QVERIFY(!QFileInfo::exists(settingsFile()));
#ifdef Q_OS_WIN
    QCOMPARE(widget<QLineEdit>("workDirEdit")->text(), QStringLiteral("C:\\"));
#else
    QCOMPARE(widget<QLineEdit>("workDirEdit")->text(), QDir::homePath());
#endif
    // The window's first size, within the screen however small it is.
    QVERIFY(QRect(QPoint(), window->screen()->availableSize())
                .contains(QRect(QPoint(), window->size())));
    window->close();
    QVERIFY(QFileInfo::exists(settingsFile()));
}

void TestVelmoro::keepsWorkDirAcrossRuns_data()
{
    QTest::addColumn<QByteArray>("stored");
    QTest::newRow("Chinese folder") << QByteArray("/主题/工作目录");
    QTest::newRow("empty file") << QByteArray();
    QTest::newRow("trailing line end") << QByteArray("/work\n");
    QTest::newRow("spaces kept") << QByteArray("  D:/work  ");
}

void TestVelmoro::keepsWorkDirAcrossRuns()
{
    QFETCH(QByteArray, stored);
    writeFile(settingsFile(), stored);
    newWindow();
    QCOMPARE(widget<QLineEdit>("workDirEdit")->text(), QString::fromUtf8(stored));
    window->close();
    QCOMPARE(readFile(settingsFile()), stored);

    // What the user types is what the next run shows.
    newWindow();
    setWorkDir(QStringLiteral("/新的/目录"));
    window->close();
    newWindow();
    QCOMPARE(widget<QLineEdit>("workDirEdit")->text(), QStringLiteral("/新的/目录"));
    QCOMPARE(readFile(settingsFile()), QStringLiteral("/新的/目录").toUtf8());

    // In a file of its own beside it: the window's size and the folders and
    // archives listed last.
    QDir().mkpath(path("blue"));
    addFolders({"blue"});
    window->resize(611, 377);
    window->close();
    newWindow();
    QCOMPARE(window->size(), QSize(611, 377));
    QCOMPARE(widget<QMenu>("recentMenu")->actions().first()->toolTip(),
             QDir::toNativeSeparators(path("blue")));
}

void TestVelmoro::leavesFieldEmptyForUnreadableSettings()
{
    QDir().mkpath(settingsFile()); // exists, but cannot be read as a file
    newWindow();
    QCOMPARE(widget<QLineEdit>("workDirEdit")->text(), QString());
    window->close(); // cannot be written either: closes quietly
    QVERIFY(QFileInfo(settingsFile()).isDir());
}

void TestVelmoro::fallsBackWhenSettingsFolderCannotBeMade()
{
    writeFile(path("blocked"), "a file where the data folder should be");
    qputenv("XDG_DATA_HOME", path("blocked").toUtf8());
    const QString previous = QDir::currentPath();
    QDir::setCurrent(temp->path());
    newWindow();
    setWorkDir(QStringLiteral("/somewhere"));
    window->close();
    QDir::setCurrent(previous);
    QCOMPARE(readFile(path("Settings.xml")), QByteArray("/somewhere"));
}

void TestVelmoro::exitActionSavesSettings()
{
    window->show();
    setWorkDir(QStringLiteral("/chosen"));
    widget<QAction>("exitAction")->trigger();
    QVERIFY(!window->isVisible());
    QCOMPARE(readFile(settingsFile()), QByteArray("/chosen"));
}

void TestVelmoro::endsAsClosingOnSignal_data()
{
    QTest::addColumn<int>("signalNumber");
#ifdef Q_OS_UNIX
    QTest::newRow("SIGTERM: the session ends") << int(SIGTERM);
    QTest::newRow("SIGINT: Ctrl+C") << int(SIGINT);
    QTest::newRow("SIGHUP: the terminal closed") << int(SIGHUP);
#endif
}

// The window ended by a signal saves its setting and removes its temporary
// folder, as closing it does. At start-up it removes the temporary folders
// of Velmoro processes that no longer run, and nothing else.
void TestVelmoro::endsAsClosingOnSignal()
{
#ifndef Q_OS_UNIX
    QSKIP("POSIX signals");
#else
    QFETCH(int, signalNumber);
    const QString tmp = path("tmp");
    // No process has so large an id: these were left behind.
    const QString left = tmp + "/velmoro-999999999-aB3dE9";
    QVERIFY(writeFile(left + "/1/demo/a.png", "a") && writeFile(path("precious/keep"), "k"));
    QVERIFY(QFile::link(path("precious"), left + "/1/demo/link"));
    // Not to be removed: a process's that runs (this test's window's too), a
    // link, another name.
    const QString running =
        QStringLiteral("velmoro-%1-Xy12Zw").arg(QCoreApplication::applicationPid());
    QVERIFY(QDir(tmp).mkdir(running) && QDir(tmp).mkdir("velmoro-notes"));
    QVERIFY(QFile::link(path("precious"), tmp + "/velmoro-999999998-Lnk123"));
    QStringList kept = QDir(tmp).entryList({"velmoro-*"}, QDir::AllEntries | QDir::System);
    kept.removeOne("velmoro-999999999-aB3dE9");

    QProcess velmoro;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    environment.insert("HOME", path("home"));
    environment.insert("XDG_DATA_HOME", path("data"));
    environment.insert("TMPDIR", tmp);
    velmoro.setProcessEnvironment(environment);
    velmoro.start(VELMORO_WINDOW, QStringList());
    QVERIFY(velmoro.waitForStarted());
    const QString own = QStringLiteral("velmoro-%1-*").arg(velmoro.processId());
    QTRY_COMPARE_WITH_TIMEOUT(QDir(tmp).entryList({own}, QDir::Dirs).size(), 1, 30000);
    QCOMPARE(::kill(pid_t(velmoro.processId()), signalNumber), 0);
    QVERIFY(velmoro.waitForFinished(30000));

    QCOMPARE(velmoro.exitStatus(), QProcess::NormalExit);
    QCOMPARE(velmoro.exitCode(), 128 + signalNumber);
    QCOMPARE(readFile(settingsFile()), path("home").toUtf8());
    QCOMPARE(QDir(tmp).entryList({"velmoro-*"}, QDir::AllEntries | QDir::System), kept);
    QCOMPARE(readFile(path("precious/keep")), QByteArray("k"));
#endif
}

QTEST_MAIN(TestVelmoro)
#include "tst_velmoro.moc"
