// The resource preview tree and drag and drop onto the two tables, driven
// through the real window.

#include "TestArchive.h"
#include "WindowTestKit.h"
#include "app/Velmoro.h"

#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <QUrl>

using namespace TestArchive;

class TestPreview : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void buildsTree_data();
    void buildsTree();
    void showsIcons();
    void previewsFirstSelectedRow();

    void dropsOntoTables_data();
    void dropsOntoTables();
    void repeatedDropsAddNothing();
    void ignoresOtherDragData();

private:
    QString path(const QString &name) const { return temp->filePath(name); }
    QTableWidget *table(const char *name) { return window->findChild<QTableWidget *>(QLatin1String(name)); }
    QTreeWidget *tree() { return window->findChild<QTreeWidget *>(QStringLiteral("resourceTree")); }
    void addArchive(const QString &file);
    static QString dump(const QTreeWidgetItem *item);
    bool drag(QTableWidget *table, QEvent::Type type, const QStringList &names);

    QScopedPointer<QTemporaryDir> temp;
    QScopedPointer<Velmoro> window;
    ScriptedDialogs dialogs;
};

void TestPreview::init()
{
    temp.reset(new QTemporaryDir);
    QVERIFY(temp->isValid());
    qputenv("XDG_DATA_HOME", path("data").toUtf8());
    window.reset(new Velmoro);
    window->setDialogSeam(&dialogs);
}

void TestPreview::cleanup()
{
    window.reset();
}

void TestPreview::addArchive(const QString &file)
{
    dialogs.fileLists.enqueue({file});
    QMetaObject::invokeMethod(window.get(), "addThemeFile");
}

// "name[size|type]{children}", with the size and type only where they are set.
QString TestPreview::dump(const QTreeWidgetItem *item)
{
    QString text = item->text(0);
    if (!item->text(1).isEmpty() || !item->text(2).isEmpty())
        text += QStringLiteral("[%1|%2]").arg(item->text(1), item->text(2));
    if (item->childCount()) {
        QStringList children;
        for (int i = 0; i < item->childCount(); ++i)
            children.append(dump(item->child(i)));
        text += QLatin1Char('{') + children.join(QLatin1Char(',')) + QLatin1Char('}');
    }
    return text;
}

void TestPreview::buildsTree_data()
{
    QTest::addColumn<QList<Entry>>("entries");
    QTest::addColumn<QString>("expected");

    QTest::newRow("folders first, newest folder in front")
        << QList<Entry>{{"/z.png", "z"}, {"/c/e.png", "e"}, {"/a.png", "a"}, {"/b/d.png", "d"}, {"/b/c.png", "c"}}
        << "demo{c{e.png[1 B|.png]},b{c.png[1 B|.png],d.png[1 B|.png]},a.png[1 B|.png],z.png[1 B|.png]}";
    QTest::newRow("a file and a folder of the same name")
        << QList<Entry>{{"/res/x.png", "x"}, {"/res", "r"}}
        << "demo{res[1 B|]{x.png[1 B|.png]}}";
    QTest::newRow("names compared with case")
        << QList<Entry>{{"/Img/a.png", "a"}, {"/img/b.png", "b"}}
        << "demo{img{b.png[1 B|.png]},Img{a.png[1 B|.png]}}";
    QTest::newRow("no resources") << QList<Entry>{} << "demo";
    QTest::newRow("sizes")
        << QList<Entry>{{"/a.9.png", QByteArray(1536, 'a')}, {"/b.jpg", QByteArray(2048, 'b')}}
        << "demo{a.9.png[1.50 KB|.png],b.jpg[2 KB|.jpg]}";
    QTest::newRow("types from the last dot")
        << QList<Entry>{{"/.nomedia", ""}, {"/README", "r"}, {"/x.", "x"}}
        << "demo{.nomedia[0 B|.nomedia],README[1 B|],x.[1 B|.]}";
    QTest::newRow("odd keys: leading slash dropped, empty names kept")
        << QList<Entry>{{"//hidden", "h"}, {"/dir/", "d"}, {"/", "e"}}
        << "demo{dir{[1 B|]},[1 B|]}";
    QTest::newRow("later duplicate's size")
        << QList<Entry>{{"/a", "1"}, {"/a", "22"}} << "demo{a[2 B|]}";
}

void TestPreview::buildsTree()
{
    QFETCH(QList<Entry>, entries);
    QFETCH(QString, expected);
    writeFile(path("t.tsk"), build("demo", entries));
    addArchive(path("t.tsk"));
    table("themeFileTable")->selectRow(0);
    QCOMPARE(tree()->topLevelItemCount(), 1);
    QCOMPARE(dump(tree()->topLevelItem(0)), expected);

    QTreeWidgetItemIterator it(tree());
    for (; *it; ++it)
        QVERIFY2((*it)->childCount() == 0 || (*it)->isExpanded(), qPrintable((*it)->text(0)));
}

void TestPreview::showsIcons()
{
    writeFile(path("t.tsk"), build("demo", {{"/img/a.png", "a"}, {"/b.unknownext", "b"}, {"/noext", "n"}}));
    addArchive(path("t.tsk"));
    table("themeFileTable")->selectRow(0);
    const QTreeWidgetItem *top = tree()->topLevelItem(0);
    QVERIFY(!top->icon(0).isNull());                   // the window's icon
    QCOMPARE(top->child(0)->text(0), QStringLiteral("img"));
    QVERIFY(!top->child(0)->icon(0).isNull());         // folder
    QVERIFY(!top->child(0)->child(0)->icon(0).isNull()); // a.png
    QVERIFY(!top->child(1)->icon(0).isNull());         // an extension always has an icon
    QVERIFY(top->child(2)->icon(0).isNull());          // no extension, no icon
}

void TestPreview::previewsFirstSelectedRow()
{
    writeFile(path("one.tsk"), build("one", {{"/1", "1"}}));
    writeFile(path("two.tsk"), build("two", {{"/2", "2"}}));
    dialogs.fileLists.enqueue({path("one.tsk"), path("two.tsk")});
    QMetaObject::invokeMethod(window.get(), "addThemeFile");
    QTableWidget *files = table("themeFileTable");
    files->selectRow(1);
    QCOMPARE(dump(tree()->topLevelItem(0)), QStringLiteral("two{2[1 B|]}"));
    files->item(0, 0)->setSelected(true);
    QCOMPARE(dump(tree()->topLevelItem(0)), QStringLiteral("two{2[1 B|]}"));
    files->clearSelection(); // the last preview stays
    QCOMPARE(dump(tree()->topLevelItem(0)), QStringLiteral("two{2[1 B|]}"));
    files->selectRow(0);
    QCOMPARE(dump(tree()->topLevelItem(0)), QStringLiteral("one{1[1 B|]}"));
}

// Sends a drag event with file URLs to the table's viewport, where drags
// over the cells arrive; returns whether the event was accepted.
bool TestPreview::drag(QTableWidget *table, QEvent::Type type, const QStringList &names)
{
    QMimeData data;
    QList<QUrl> urls;
    for (const QString &name : names)
        urls.append(name.contains(QLatin1String("://")) ? QUrl(name) : QUrl::fromLocalFile(path(name)));
    data.setUrls(urls);
    const QPoint where(10, 10);
    if (type == QEvent::DragEnter) {
        QDragEnterEvent event(where, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(table->viewport(), &event);
        return event.isAccepted();
    }
    if (type == QEvent::DragMove) {
        QDragMoveEvent event(where, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        event.setAccepted(true);
        QApplication::sendEvent(table->viewport(), &event);
        return event.isAccepted();
    }
    QDropEvent event(where, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(table->viewport(), &event);
    return event.isAccepted();
}

void TestPreview::dropsOntoTables_data()
{
    QTest::addColumn<QString>("tableName");
    QTest::addColumn<QStringList>("dragged");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QStringList>("rows"); // column 0 of the rows, after enter and drop

    QTest::newRow("two folders and a text file")
        << "themeFolderTable" << QStringList{"blue", "notes.txt", "red"} << true << QStringList{"blue", "red"};
    QTest::newRow("only files onto the pack table")
        << "themeFolderTable" << QStringList{"notes.txt", "Theme.TSK"} << false << QStringList{};
    QTest::newRow("archives in any letter case")
        << "themeFileTable" << QStringList{"Theme.TSK", "theme.tsk.bak", "blue"} << true << QStringList{"demo"};
    QTest::newRow("a .tsk that is no archive")
        << "themeFileTable" << QStringList{"fake.tsk"} << true << QStringList{};
    QTest::newRow("only folders onto the unpack table")
        << "themeFileTable" << QStringList{"blue", "red"} << false << QStringList{};
    QTest::newRow("a folder named like an archive")
        << "themeFileTable" << QStringList{"folder.Tsk"} << true << QStringList{};
    QTest::newRow("web addresses are not files")
        << "themeFolderTable" << QStringList{"https://example.org/theme"} << false << QStringList{};
}

void TestPreview::dropsOntoTables()
{
    QFETCH(QString, tableName);
    QFETCH(QStringList, dragged);
    QFETCH(bool, accepted);
    QFETCH(QStringList, rows);
    QDir().mkpath(path("blue"));
    QDir().mkpath(path("red"));
    QDir().mkpath(path("folder.Tsk"));
    writeFile(path("notes.txt"), "notes");
    writeFile(path("Theme.TSK"), demoArchive());
    writeFile(path("theme.tsk.bak"), demoArchive());
    writeFile(path("fake.tsk"), "not an archive");

    QTableWidget *target = table(tableName.toLatin1());
    QTableWidget *other = table(tableName == QLatin1String("themeFileTable") ? "themeFolderTable" : "themeFileTable");
    QCOMPARE(drag(target, QEvent::DragEnter, dragged), accepted);
    QCOMPARE(target->rowCount(), rows.size()); // added as the drag enters
    if (accepted) // the table's own handling keeps the drag accepted as it moves
        QVERIFY(drag(target, QEvent::DragMove, dragged));
    // A drop reaches only a table that accepted the drag's entry.
    QCOMPARE(drag(target, QEvent::Drop, dragged), accepted);
    QStringList names;
    for (int row = 0; row < target->rowCount(); ++row)
        names.append(target->item(row, 0)->text());
    QCOMPARE(names, rows);
    QCOMPARE(other->rowCount(), 0);
    if (tableName == QLatin1String("themeFolderTable") && !rows.isEmpty())
        QCOMPARE(target->item(0, 1)->text(), QDir::toNativeSeparators(path("blue")));
}

void TestPreview::repeatedDropsAddNothing()
{
    QDir().mkpath(path("blue"));
    writeFile(path("demo.tsk"), demoArchive());
    QTableWidget *folders = table("themeFolderTable");
    QTableWidget *files = table("themeFileTable");
    for (int i = 0; i < 3; ++i) {
        QVERIFY(drag(folders, QEvent::DragEnter, {"blue"}));
        QVERIFY(drag(folders, QEvent::Drop, {"blue"}));
        QVERIFY(drag(files, QEvent::DragEnter, {"demo.tsk"}));
        QVERIFY(drag(files, QEvent::Drop, {"demo.tsk"}));
    }
    QCOMPARE(folders->rowCount(), 1);
    QCOMPARE(files->rowCount(), 1);

    // A folder listed through the dialog is not added again by a drop.
    QDir().mkpath(path("red"));
    dialogs.folders.enqueue(path("red"));
    QMetaObject::invokeMethod(window.get(), "addThemeFolder");
    QVERIFY(drag(folders, QEvent::DragEnter, {"red"}));
    QVERIFY(drag(folders, QEvent::Drop, {"red"}));
    QCOMPARE(folders->rowCount(), 2);
}

void TestPreview::ignoresOtherDragData()
{
    QMimeData text;
    text.setText(path("blue"));
    QDir().mkpath(path("blue"));
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(table("themeFolderTable")->viewport(), &enter);
    QCOMPARE(table("themeFolderTable")->rowCount(), 0);
}

QTEST_MAIN(TestPreview)
#include "tst_preview.moc"
