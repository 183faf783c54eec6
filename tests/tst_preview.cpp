// The resource preview tree and drag and drop onto the two tables, driven
// through the real window.

#include "GuiTestBase.h"

#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QMimeData>
#include <QTreeWidget>
#include <QUrl>

using namespace TestArchive;

class TestPreview : public GuiTestBase
{
    Q_OBJECT

private slots:
    void buildsTree_data();
    void buildsTree();
    void showsIcons();
    void previewsFirstSelectedRow();
    void clearsPreviewWithItsRow();
    void keepsSizeAndTypeInView();

    void dropsOntoTables_data();
    void dropsOntoTables();
    void repeatedDropsAddNothing();
    void ignoresOtherDragData();
    void namesRefusedArchives_data();
    void namesRefusedArchives();

private:
    QTableWidget *table(const char *name) { return widget<QTableWidget>(name); }
    QTreeWidget *tree() { return widget<QTreeWidget>("resourceTree"); }
    void addArchive(const QString &file);
    static QString dump(const QTreeWidgetItem *item);
    bool drag(QTableWidget *table, QEvent::Type type, const QStringList &names);
};

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

void TestPreview::clearsPreviewWithItsRow()
{
    for (const char *name : {"one", "two", "three"})
        writeFile(path(QLatin1String(name) + ".tsk"), build(name, {{"/x", "x"}}));
    dialogs.fileLists.enqueue({path("one.tsk"), path("two.tsk"), path("three.tsk")});
    QMetaObject::invokeMethod(window.get(), "addThemeFile");
    QTableWidget *files = table("themeFileTable");

    files->selectRow(1);
    QCOMPARE(dump(tree()->topLevelItem(0)), QStringLiteral("two{x[1 B|]}"));
    click("removeThemeFileButton");
    QCOMPARE(tree()->topLevelItemCount(), 0); // no archive that is no longer listed

    files->selectRow(1);
    QCOMPARE(dump(tree()->topLevelItem(0)), QStringLiteral("three{x[1 B|]}"));
    files->selectAll();
    click("removeThemeFileButton");
    QCOMPARE(files->rowCount(), 0);
    QCOMPARE(tree()->topLevelItemCount(), 0);
}

// At the window's first size, a long theme name and long resource names
// still leave the size and type columns in view; the names are shortened in
// the middle and whole in their tooltips.
void TestPreview::keepsSizeAndTypeInView()
{
    const QByteArray longName(120, 'n');
    writeFile(path("long.tsk"), build(longName, {{"/" + longName + ".png", "p"}, {"/" + longName + "/x.jpg", "x"}}));
    addArchive(path("long.tsk"));
    window->resize(800, 450);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    table("themeFileTable")->selectRow(0);
    QCoreApplication::processEvents();

    QHeaderView *header = tree()->header();
    const int viewWidth = tree()->viewport()->width();
    for (const int column : {1, 2}) {
        QVERIFY2(header->sectionViewportPosition(column) >= 0, "scrolled out of view");
        QVERIFY2(header->sectionViewportPosition(column) + header->sectionSize(column) <= viewWidth,
                 qPrintable(QStringLiteral("column %1 cut off").arg(column)));
        QVERIFY(header->sectionSize(column) >= header->sectionSizeHint(column));
    }
    QCOMPARE(tree()->textElideMode(), Qt::ElideMiddle);
    const QTreeWidgetItem *top = tree()->topLevelItem(0);
    QCOMPARE(top->toolTip(0), QString::fromLatin1(longName));
    QCOMPARE(top->child(0)->toolTip(0), QString::fromLatin1(longName));              // the folder
    QCOMPARE(top->child(1)->toolTip(0), QString::fromLatin1(longName + ".png"));     // the file
    QCOMPARE(table("themeFileTable")->item(0, 1)->toolTip(), QDir::toNativeSeparators(path("long.tsk")));
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

void TestPreview::namesRefusedArchives_data()
{
    QTest::addColumn<QString>("route");
    QTest::newRow("file dialog") << "dialog";
    QTest::newRow("drop") << "drop";
    QTest::newRow("command line") << "command line";
}

// Damaged and unsafe archives are named in one box, however they were added;
// a file that is not a theme archive stays quiet.
void TestPreview::namesRefusedArchives()
{
    QFETCH(QString, route);
    writeFile(path("good.tsk"), demoArchive());
    writeFile(path("cut.tsk"), demoArchive().left(90));
    writeFile(path("escape.tsk"), build("escape", {{"/img/../../outside.png", "x"}}));
    writeFile(path("text.tsk"), "not an archive");
    const QStringList names{"cut.tsk", "good.tsk", "text.tsk", "escape.tsk"};
    QStringList paths;
    for (const QString &name : names)
        paths.append(path(name));

    if (route == QLatin1String("dialog")) {
        dialogs.fileLists.enqueue(paths);
        click("addThemeFileButton");
    } else if (route == QLatin1String("drop")) {
        QVERIFY(drag(table("themeFileTable"), QEvent::DragEnter, names));
        QCOMPARE(dialogs.messages.size(), 0); // not while the drag is held
        QVERIFY(drag(table("themeFileTable"), QEvent::Drop, names));
        QTRY_COMPARE(dialogs.messages.size(), 1); // once the drop has been answered
    } else {
        window->openPaths(paths);
    }
    QCOMPARE(table("themeFileTable")->rowCount(), 1);
    QCOMPARE(dialogs.messages.size(), 1);
    QCOMPARE(dialogs.messages[0].kind, WindowMessage::Kind::Warning);
    QCOMPARE(dialogs.messages[0].title, QStringLiteral("增加主题文件"));
    QCOMPARE(dialogs.messages[0].text,
             QStringLiteral("下列主题文件没有加入列表：\n%1：损坏\n%2：含有指向目标文件夹之外的路径")
                 .arg(QDir::toNativeSeparators(paths[0]), QDir::toNativeSeparators(paths[3])));
}

QTEST_MAIN(TestPreview)
#include "tst_preview.moc"
