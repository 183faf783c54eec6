// The main window driven end to end through its real slots, with file
// dialogs answered by script and message boxes answered as they open.

#include "TestArchive.h"
#include "WindowTestKit.h"
#include "app/Velmoro.h"
#include "archive/ThemeReader.h"

#include <QAction>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMetaMethod>
#include <QPushButton>
#include <QSplitter>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

using namespace TestArchive;

class TestVelmoro : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void buildsWindow();
    void buildsMenus();
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

    void unpacksEndToEnd();
    void unpacksBesideArchivesWithoutWorkDir();
    void reportsFailedUnpacks();
    void listsReadableArchivesOnce();
    void removesSelectedArchiveRows();

    void firstRunUsesDefault();
    void keepsWorkDirAcrossRuns_data();
    void keepsWorkDirAcrossRuns();
    void leavesFieldEmptyForUnreadableSettings();
    void fallsBackWhenSettingsFolderCannotBeMade();
    void exitActionSavesSettings();

private:
    template <typename T> T *widget(const char *name)
    {
        T *found = window->findChild<T *>(QLatin1String(name));
        if (!found)
            qFatal("no widget %s", name);
        return found;
    }
    void click(const char *button) { widget<QPushButton>(button)->click(); }
    QString path(const QString &name) const { return temp->filePath(name); }
    QString settingsFile() const
    {
        return path("data/Orvane/Velmoro/Settings/Settings.xml");
    }
    void newWindow();
    void addFolders(const QStringList &names);
    void addArchives(const QStringList &names);
    void setWorkDir(const QString &dir) { widget<QLineEdit>("workDirEdit")->setText(dir); }
    void selectRows(QTableWidget *table, const QList<int> &rows);

    QScopedPointer<QTemporaryDir> temp;
    QScopedPointer<Velmoro> window;
    ScriptedDialogs dialogs;
};

void TestVelmoro::init()
{
    temp.reset(new QTemporaryDir);
    QVERIFY(temp->isValid());
    qputenv("XDG_DATA_HOME", path("data").toUtf8());
    dialogs = ScriptedDialogs();
    newWindow();
}

void TestVelmoro::cleanup()
{
    window.reset();
}

void TestVelmoro::newWindow()
{
    window.reset(new Velmoro);
    window->setDialogSeam(&dialogs);
}

void TestVelmoro::addFolders(const QStringList &names)
{
    for (const QString &name : names) {
        dialogs.folders.enqueue(path(name));
        click("addThemeFolderButton");
    }
}

void TestVelmoro::addArchives(const QStringList &names)
{
    QStringList files;
    for (const QString &name : names)
        files.append(path(name));
    dialogs.fileLists.enqueue(files);
    click("addThemeFileButton");
}

void TestVelmoro::selectRows(QTableWidget *table, const QList<int> &rows)
{
    table->clearSelection();
    for (const int row : rows)
        table->item(row, 0)->setSelected(true);
}

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
        return QStringList{table->horizontalHeaderItem(0)->text(), table->horizontalHeaderItem(1)->text()};
    };
    auto *files = widget<QTableWidget>("themeFileTable");
    auto *folders = widget<QTableWidget>("themeFolderTable");
    QCOMPARE(headers(files), (QStringList{"主题名称", "路径"}));
    QCOMPARE(headers(folders), (QStringList{"主题名称", "主题资源文件夹路径"}));
    QVERIFY(files->horizontalHeader()->stretchLastSection());
    QVERIFY(folders->horizontalHeader()->stretchLastSection());
    QCOMPARE(files->editTriggers(), QAbstractItemView::NoEditTriggers);
    QCOMPARE(files->selectionBehavior(), QAbstractItemView::SelectRows);
    auto *tree = widget<QTreeWidget>("resourceTree");
    QCOMPARE(tree->headerItem()->text(0), QStringLiteral("资源文件名"));
    QCOMPARE(tree->headerItem()->text(1), QStringLiteral("大小"));
    QCOMPARE(tree->headerItem()->text(2), QStringLiteral("类型"));

    const QList<QPair<const char *, QString>> buttons{
        {"changeWorkDirButton", "更改..."}, {"addThemeFileButton", "增加"},
        {"removeThemeFileButton", "移除"}, {"unpackThemeFileButton", "开始解压"},
        {"addThemeFolderButton", "增加"}, {"removeThemeFolderButton", "移除"},
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
    QCOMPARE(texts(widget<QMenu>("fileMenu")), (QStringList{"增加主题文件", "增加主题资源文件夹", "--", "退出"}));
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
    MessageBoxAnswerer answerer;
    widget<QAction>("helpDocAction")->trigger();
    widget<QAction>("aboutAction")->trigger();
    QCOMPARE(answerer.boxes.size(), 2);
    QCOMPARE(answerer.boxes[0].icon, QMessageBox::Information);
    QCOMPARE(answerer.boxes[0].title, QStringLiteral("帮助文档"));
    QCOMPARE(answerer.boxes[0].text, QStringLiteral("不好意思，帮助文档尚未完成！"));
    QCOMPARE(answerer.boxes[1].title, QStringLiteral("关于"));
    const QString about = answerer.boxes[1].text;
    QVERIFY(about.startsWith(QLatin1String("<h2>Velmoro 1.0.0</h2><p>")));
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

    MessageBoxAnswerer answerer;
    click("packThemeFolderButton");
    QCOMPARE(answerer.boxes.size(), 1);
    QCOMPARE(answerer.boxes[0].icon, QMessageBox::Information);
    QCOMPARE(answerer.boxes[0].title, QStringLiteral("打包主题"));
    QCOMPARE(answerer.boxes[0].text, QStringLiteral("所有主题资源已打包到工作目录文件夹下了！"));

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
    MessageBoxAnswerer answerer;
    click("packThemeFolderButton");
    QCOMPARE(answerer.boxes.size(), 1);
    QCOMPARE(answerer.boxes[0].icon, QMessageBox::Information);
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

    MessageBoxAnswerer answerer;
    click("packThemeFolderButton");
    QCOMPARE(answerer.boxes.size(), 1);
    const auto &box = answerer.boxes[0];
    QCOMPARE(box.icon, QMessageBox::Warning);
    QCOMPARE(box.title, QStringLiteral("打包主题"));
    const QString gone = QDir::toNativeSeparators(path("themes/gone"));
    QCOMPARE(box.text, QStringLiteral("2 个主题已打包，1 个主题打包失败：\n") + gone);
    QCOMPARE(box.details, gone + QStringLiteral(": The dir path is NOT validate."));
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
    QCOMPARE(dialogs.requests.last().startDir, workDir); // the first dialog opens in the work directory
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
    MessageBoxAnswerer answerer;
    click("packThemeFolderButton");
    click("unpackThemeFileButton");
    QTest::qWait(20);
    QCOMPARE(answerer.boxes.size(), 0);
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

    MessageBoxAnswerer answerer;
    click("unpackThemeFileButton");
    QCOMPARE(answerer.boxes.size(), 1);
    QCOMPARE(answerer.boxes[0].icon, QMessageBox::Information);
    QCOMPARE(answerer.boxes[0].title, QStringLiteral("解压主题"));
    QCOMPARE(answerer.boxes[0].text, QStringLiteral("所有主题已解压到工作目录文件夹下！"));
    QCOMPARE(listTree(path("out")), (QMap<QString, QByteArray>{
                                        {"demo/a.png", "0123456789"}, {"demo/img/bg.jpg", "abc"}, {"other/o", "o"}}));
}

void TestVelmoro::unpacksBesideArchivesWithoutWorkDir()
{
    writeFile(path("one/first.tsk"), build("first", {{"/1", "1"}}));
    writeFile(path("two/second.tsk"), build("second", {{"/2", "2"}}));
    setWorkDir(QString());
    addArchives({"one/first.tsk", "two/second.tsk"});
    MessageBoxAnswerer answerer;
    click("unpackThemeFileButton");
    QCOMPARE(answerer.boxes.size(), 1);
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

    MessageBoxAnswerer answerer;
    click("unpackThemeFileButton");
    QCOMPARE(answerer.boxes.size(), 1);
    const auto &box = answerer.boxes[0];
    QCOMPARE(box.icon, QMessageBox::Warning);
    QCOMPARE(box.title, QStringLiteral("解压主题"));
    const QString gone = QDir::toNativeSeparators(path("in/gone.tsk"));
    QCOMPARE(box.text, QStringLiteral("1 个主题已解压，1 个主题解压失败：\n") + gone);
    QCOMPARE(box.details, gone + QStringLiteral(": The specified theme file is NOT exists."));
    QCOMPARE(readFile(path("out/demo/a.png")), QByteArray("0123456789"));
}

void TestVelmoro::listsReadableArchivesOnce()
{
    writeFile(path("in/demo.tsk"), demoArchive());
    writeFile(path("in/fake.tsk"), "not a theme archive");
    writeFile(path("in/cut.tsk"), demoArchive().left(90));
    MessageBoxAnswerer answerer;
    addArchives({"in/demo.tsk", "in/fake.tsk", "in/demo.tsk", "in/cut.tsk", "in/missing.tsk"});
    addArchives({"in/demo.tsk"});
    QCOMPARE(widget<QTableWidget>("themeFileTable")->rowCount(), 1);
    QCOMPARE(answerer.boxes.size(), 0); // unreadable archives are left out quietly
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

void TestVelmoro::firstRunUsesDefault()
{
    QVERIFY(QFileInfo(path("data/Orvane/Velmoro/Settings")).isDir()); // made at start-up
    QVERIFY(!QFileInfo::exists(settingsFile()));
#ifdef Q_OS_WIN
    QCOMPARE(widget<QLineEdit>("workDirEdit")->text(), QStringLiteral("C:\\"));
#else
    QCOMPARE(widget<QLineEdit>("workDirEdit")->text(), QDir::homePath());
#endif
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

QTEST_MAIN(TestVelmoro)
#include "tst_velmoro.moc"
