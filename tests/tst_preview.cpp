// SPDX-License-Identifier: MIT
// The resource preview tree, the pane beside it and what its rows can be
// used for, and drag and drop onto the two tables, driven through the real
// window.

#include "GuiTestBase.h"
#include "app/preview/ResourceTree.h"
#include "app/preview/ResourceViewer.h"
#include "app/window/PathDelegate.h"
#include "archive/ThemeReader.h"
#include "util/FormatSize.h"

#include <QAction>
#include <QBuffer>
#include <QClipboard>
#include <QDialog>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QMimeData>
#include <QPainter>
#include <QPlainTextEdit>
#include <QSaveFile>
#include <QScrollBar>
#include <QTreeWidget>
#include <QUrl>

#include "app/compare/VersionView.h"
#include "app/preview/ImageCanvas.h"

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
    void followsArchiveOnDisk_data();
    void followsArchiveOnDisk();
    void keepsSizeAndTypeInView();
    void summarisesTheme();

    void showsResource_data();
    void showsResource();
    void fitsPictureToPane();
    void showsNewestSelection();
    void filtersTree_data();
    void filtersTree();
    void extractsSelection_data();
    void extractsSelection();
    void opensWithDesktop();
    void copiesPaths();
    void dragsCopiesOut();
    void addsDroppedFile();
    void putsBackEditedCopy();

    void dropsOntoTables_data();
    void dropsOntoTables();
    void repeatedDropsAddNothing();
    void ignoresOtherDragData();
    void namesRefusedArchives_data();
    void namesRefusedArchives();
    void comparesArchives_data();
    void comparesArchives();

private:
    QTableWidget *table(const char *name) { return widget<QTableWidget>(name); }
    QTreeWidget *tree() { return widget<QTreeWidget>("resourceTree"); }
    void addArchive(const QString &file);
    void previewArchive(const QList<Entry> &entries);
    QTreeWidgetItem *treeRow(const QString &path);
    void choose(const QStringList &paths);
    ResourceViewer *pane() { return widget<ResourceViewer>("resourceViewer"); }
    QString paneText();
    static QString dump(const QTreeWidgetItem *item);
    static QString dumpShown(const QTreeWidgetItem *item);
    bool drag(QAbstractScrollArea *area, QEvent::Type type, const QStringList &names,
              QPoint where = QPoint(10, 10));
    QByteArray entryOf(const QString &name);
};

void TestPreview::addArchive(const QString &file)
{
    dialogs.fileLists.enqueue({file});
    QMetaObject::invokeMethod(window.get(), "addThemeFile");
}

// Lists the theme `demo` with these entries and previews it.
void TestPreview::previewArchive(const QList<Entry> &entries)
{
    writeFile(path("t.tsk"), build("demo", entries));
    addArchive(path("t.tsk"));
    table("themeFileTable")->selectRow(0);
}

// The tree's row for a path below the theme ("img/bg.png"); "" for the top row.
QTreeWidgetItem *TestPreview::treeRow(const QString &resource)
{
    QTreeWidgetItem *item = tree()->topLevelItem(0);
    for (const QString &name : resource.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        QTreeWidgetItem *next = nullptr;
        for (int i = 0; item && i < item->childCount() && !next; ++i) {
            if (item->child(i)->text(0) == name)
                next = item->child(i);
        }
        item = next;
    }
    if (!item)
        qFatal("no row %s", qPrintable(resource));
    return item;
}

// Selects exactly these rows; the last becomes the current one.
void TestPreview::choose(const QStringList &paths)
{
    tree()->clearSelection();
    for (const QString &resource : paths) {
        tree()->setCurrentItem(treeRow(resource), 0, QItemSelectionModel::Select);
    }
}

// What the pane shows once its read is over: "image:" and the caption,
// "text:" and the text, or "message:" and the message.
QString TestPreview::paneText()
{
    ResourceViewer *viewer = pane();
    if (!QTest::qWaitFor([viewer] { return !viewer->isLoading(); }, 20000))
        return QStringLiteral("<still reading>");
    QWidget *page = viewer->currentWidget();
    if (page->objectName() == QLatin1String("imagePage"))
        return QStringLiteral("image:") + viewer->findChild<QLabel *>("imageCaption")->text();
    if (auto *text = qobject_cast<QPlainTextEdit *>(page))
        return QStringLiteral("text:") + text->toPlainText();
    return QStringLiteral("message:") + viewer->findChild<QLabel *>("messageLabel")->text();
}

// The rows a filter leaves in view, by name.
QString TestPreview::dumpShown(const QTreeWidgetItem *item)
{
    QString text = item->text(0);
    QStringList children;
    for (int i = 0; i < item->childCount(); ++i) {
        if (!item->child(i)->isHidden())
            children.append(dumpShown(item->child(i)));
    }
    if (!children.isEmpty())
        text += QLatin1Char('{') + children.join(QLatin1Char(',')) + QLatin1Char('}');
    return text;
}

static QByteArray imageBytes(int width, int height, const char *format)
{
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.fillRect(0, 0, width / 2, height / 2, Qt::red);
    painter.end();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
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
    QTest::addColumn<QList<int>>("clicks"); // on the headers of these columns, in turn

    QTest::newRow("folders first, newest folder in front")
        << QList<Entry>{{"/z.png", "z"},
                        {"/c/e.png", "e"},
                        {"/a.png", "a"},
                        {"/b/d.png", "d"},
                        {"/b/c.png", "c"}}
        << "demo{c{e.png[1 B|.png]},b{c.png[1 B|.png],d.png[1 B|.png]},a.png[1 B|.png],z.png[1 B|.png]}"
        << QList<int>{};
    QTest::newRow("a file and a folder of the same name")
        << QList<Entry>{{"/res/x.png", "x"}, {"/res", "r"}} << "demo{res[1 B|]{x.png[1 B|.png]}}"
        << QList<int>{};
    QTest::newRow("names compared with case")
        << QList<Entry>{{"/Img/a.png", "a"}, {"/img/b.png", "b"}}
        << "demo{img{b.png[1 B|.png]},Img{a.png[1 B|.png]}}" << QList<int>{};
    QTest::newRow("no resources") << QList<Entry>{} << "demo" << QList<int>{};
    QTest::newRow("sizes") << QList<Entry>{{"/a.9.png", QByteArray(1536, 'a')},
                                           {"/b.jpg", QByteArray(2048, 'b')}}
                           << "demo{a.9.png[1.50 KB|.png],b.jpg[2 KB|.jpg]}" << QList<int>{};
    QTest::newRow("types from the last dot")
        << QList<Entry>{{"/.nomedia", ""}, {"/README", "r"}, {"/x.", "x"}}
        << "demo{.nomedia[0 B|.nomedia],README[1 B|],x.[1 B|.]}" << QList<int>{};
    QTest::newRow("odd keys: leading slash dropped, empty names kept")
        << QList<Entry>{{"//hidden", "h"}, {"/dir/", "d"}, {"/", "e"}} << "demo{dir{[1 B|]},[1 B|]}"
        << QList<int>{};
    const QList<Entry> mixed{
        {"/b.png", "bbb"}, {"/A10.txt", "a"}, {"/a9.png", "aa"}, {"/dir/x", "x"}};
    QTest::newRow("sorted by name, folders first")
        << mixed << "demo{dir{x[1 B|]},a9.png[2 B|.png],A10.txt[1 B|.txt],b.png[3 B|.png]}"
        << QList<int>{0};
    QTest::newRow("by name, the other way, folders still first")
        << mixed << "demo{dir{x[1 B|]},b.png[3 B|.png],A10.txt[1 B|.txt],a9.png[2 B|.png]}"
        << QList<int>{0, 0};
    QTest::newRow("by size")
        << mixed << "demo{dir{x[1 B|]},A10.txt[1 B|.txt],a9.png[2 B|.png],b.png[3 B|.png]}"
        << QList<int>{1};
    QTest::newRow("by type")
        << mixed << "demo{dir{x[1 B|]},a9.png[2 B|.png],b.png[3 B|.png],A10.txt[1 B|.txt]}"
        << QList<int>{2};
    QTest::newRow("later duplicate's size")
        << QList<Entry>{{"/a", "1"}, {"/a", "22"}} << "demo{a[2 B|]}" << QList<int>{};
}

void TestPreview::buildsTree()
{
    QFETCH(QList<Entry>, entries);
    QFETCH(QString, expected);
    QFETCH(QList<int>, clicks);
    if (!clicks.isEmpty()) { // the headers take their places on screen, all in view
        window->resize(800, 450);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    }
    QHeaderView *header = tree()->header();
    for (const int column : clicks) // in the order listed until a header is clicked
        QTest::mouseClick(
            header->viewport(), Qt::LeftButton, {},
            QPoint(header->sectionViewportPosition(column) + header->sectionSize(column) / 2, 2));
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
    // No sample file can be named after an extension this long, so the icon
    // store has no icon for it.
    const QByteArray iconless = "/c." + QByteArray(300, 'x');
    writeFile(
        path("t.tsk"),
        build("demo",
              {{"/img/a.png", "a"}, {"/b.unknownext", "b"}, {iconless, "c"}, {"/noext", "n"}}));
    addArchive(path("t.tsk"));
    table("themeFileTable")->selectRow(0);
    const QTreeWidgetItem *top = tree()->topLevelItem(0);
    QVERIFY(!top->icon(0).isNull()); // the window's icon
    QCOMPARE(top->child(0)->text(0), QStringLiteral("img"));
    QVERIFY(!top->child(0)->icon(0).isNull());           // folder
    QVERIFY(!top->child(0)->child(0)->icon(0).isNull()); // a.png
    QVERIFY(!top->child(1)->icon(0).isNull());           // the platform's icon for an unknown type
    QVERIFY(top->child(2)->icon(0).isNull());            // the store has none: no icon
    QVERIFY(top->child(3)->icon(0).isNull());            // no extension, no icon
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

void TestPreview::followsArchiveOnDisk_data()
{
    QTest::addColumn<QStringList>("steps"); // what happens to the archive, in order
    QTest::addColumn<QString>("tip");       // the name cell's tooltip after them
    QTest::addColumn<QString>("tree");      // "" for none
    QTest::addColumn<QString>("summary");
    QTest::addColumn<QString>("shown"); // by the pane beside the tree

    const QString repacked = "demo2{img{bg.png[294 B|.png]},a.txt[3 B|.txt]}";
    const QString repackedSummary = "demo2 · 版本 1.0.0 · 2 个资源 · 共 297 B";
    const QString hint = "message:选择一个资源文件即可在这里预览。";
    QTest::newRow("packed again in place")
        << QStringList{"in place"} << "demo2" << repacked << repackedSummary << "text:new";
    QTest::newRow("packed again, renamed over it")
        << QStringList{"renamed over"} << "demo2" << repacked << repackedSummary << "text:new";
    QTest::newRow("removed")
        << QStringList{"removed"}
        << "demo\n找不到这个主题文件：它已被删除、移动或改名。文件回到原处时，这一行会自动恢复。"
        << ""
        << "demo · 主题文件已不存在" << hint;
    QTest::newRow("damaged") << QStringList{"damaged"}
                             << "demo\n主题文件已损坏，没有解压。请重新获取这个主题文件。"
                             << ""
                             << "demo · 主题文件现在无法读取" << hint;
    QTest::newRow("removed, then back") << QStringList{"removed", "renamed over"} << "demo2"
                                        << repacked << repackedSummary << "text:new";
}

// A listed archive packed again, removed or damaged on disk shows as it is
// now: the row, the tree, the sizes, the summary and the pane.
void TestPreview::followsArchiveOnDisk()
{
    QFETCH(QStringList, steps);
    QFETCH(QString, tip);
    QFETCH(QString, tree);
    QFETCH(QString, summary);
    QFETCH(QString, shown);
    previewArchive({{"/img/bg.png", QByteArray(290, 'p')}, {"/a.txt", "old"}});
    choose({"a.txt"});
    const QByteArray again =
        build("demo2", {{"/img/bg.png", QByteArray(294, 'p')}, {"/a.txt", "new"}});
    QTableWidgetItem *name = table("themeFileTable")->item(0, 0);
    for (const QString &step : steps) {
        const QString before = name->toolTip();
        if (step == QLatin1String("in place")) {
            writeFile(path("t.tsk"), again);
        } else if (step == QLatin1String("renamed over")) { // as packers and editors save
            QSaveFile file(path("t.tsk"));
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(again) && file.commit());
        } else if (step == QLatin1String("removed")) {
            QVERIFY(QFile::remove(path("t.tsk")));
        } else {
            writeFile(path("t.tsk"), again.left(again.size() - 5));
        }
        QTRY_VERIFY(name->toolTip() != before);
    }
    QCOMPARE(name->toolTip(), tip);
    QCOMPARE(name->data(Qt::ForegroundRole).isValid(), tree.isEmpty()); // greyed
    QCOMPARE(tree.isEmpty() ? QString() : dump(this->tree()->topLevelItem(0)), tree);
    QCOMPARE(widget<QLabel>("resourceSummaryLabel")->toolTip(), summary);
    QCOMPARE(paneText(), shown);
}

// At the window's first size, a long theme name and long resource names
// still leave the size and type columns in view; the names are shortened in
// the middle and whole in their tooltips.
void TestPreview::keepsSizeAndTypeInView()
{
    const QByteArray longName(120, 'n');
    writeFile(path("long.tsk"),
              build(longName, {{"/" + longName + ".png", "p"}, {"/" + longName + "/x.jpg", "x"}}));
    addArchive(path("long.tsk"));
    const QString deep = path("a-folder-with-a-rather-long-name/and-another-one/theme-101.tsk");
    writeFile(deep, demoArchive());
    addArchive(deep);
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
    QCOMPARE(top->child(0)->toolTip(0), QString::fromLatin1(longName));          // the folder
    QCOMPARE(top->child(1)->toolTip(0), QString::fromLatin1(longName + ".png")); // the file
    QCOMPARE(table("themeFileTable")->item(0, 1)->toolTip(),
             QDir::toNativeSeparators(path("long.tsk")));
    // A path gives way in its folders: the file name, which tells rows apart, stays whole.
    const QModelIndex cell = table("themeFileTable")->model()->index(1, 1);
    const QString shown =
        static_cast<PathDelegate *>(table("themeFileTable")->itemDelegateForColumn(1))
            ->shownText(cell, table("themeFileTable")->visualRect(cell), table("themeFileTable"));
    QVERIFY2(shown.endsWith("/theme-101.tsk") && shown.contains(QChar(0x2026)), qPrintable(shown));

    // Also in the window a small screen opens (two thirds of 800x450): the
    // table's path and the summary's figures stay in view.
    window->resize(533, 300);
    QCoreApplication::processEvents();
    QTableWidget *files = table("themeFileTable");
    QCOMPARE(files->horizontalScrollBar()->maximum(), 0);
    QVERIFY(files->horizontalHeader()->sectionSize(1) >= files->horizontalHeader()->sectionSize(0));
    auto *summary = widget<QLabel>("resourceSummaryLabel");
    const QString tail = QStringLiteral(" · 版本 1.0.0 · 2 个资源 · 共 2 B");
    QVERIFY2(summary->text().endsWith(tail), qPrintable(summary->text()));
    QVERIFY(summary->fontMetrics().horizontalAdvance(summary->text())
            <= summary->contentsRect().width());
    QCOMPARE(summary->toolTip(), QString::fromLatin1(longName) + tail);
    // The tree's names stay readable: its size and type columns make way.
    const int nameRoom = tree()->header()->sectionSize(0)
                         - tree()->visualItemRect(top->child(0)->child(0)).x(); // long/x.jpg
    QVERIFY2(nameRoom >= 16 + 10 * tree()->fontMetrics().averageCharWidth(),
             qPrintable(QString::number(nameRoom)));
}

void TestPreview::summarisesTheme()
{
    previewArchive({{"/a", "1"}, {"/b/c", "22"}, {"/a", "333"}});
    auto *summary = widget<QLabel>("resourceSummaryLabel");
    // Distinct resources, as an unpack leaves them: the later "/a" counts.
    QCOMPARE(summary->text(), QStringLiteral("demo · 版本 1.0.0 · 2 个资源 · 共 5 B"));
    click("removeThemeFileButton");
    QCOMPARE(summary->text(), QString());
    QCOMPARE(paneText(), QStringLiteral("message:选择一个资源文件即可在这里预览。"));
}

void TestPreview::showsResource_data()
{
    QTest::addColumn<QList<Entry>>("entries");
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<bool>("archiveGone"); // deleted after it was listed
    QTest::addColumn<QString>("expected");

    const QByteArray png = imageBytes(64, 48, "PNG");
    const QByteArray jpeg = imageBytes(30, 20, "JPEG");
    const QByteArray bigText(1024 * 1024 + 1, 'a');
    const QString pixels = QStringLiteral("image:%1 x %2 像素\n%3");
    QTest::newRow("picture with transparency")
        << QList<Entry>{{"/img/bg.png", png}, {"/a.txt", "a"}} << "img/bg.png" << false
        << pixels.arg(64).arg(48).arg(formatSize(png.size()));
    QTest::newRow("extension in capitals")
        << QList<Entry>{{"/photo.JPG", jpeg}} << "photo.JPG" << false
        << pixels.arg(30).arg(20).arg(formatSize(jpeg.size()));
    QTest::newRow("xml as text") << QList<Entry>{{"/theme.xml", "<theme name=\"蓝\"/>"}}
                                 << "theme.xml" << false << "text:<theme name=\"蓝\"/>";
    QTest::newRow("GBK text") << QList<Entry>{{"/a.txt", "\xc0\xb6\xc9\xab\xd6\xf7\xcc\xe2"}}
                              << "a.txt" << false << "text:蓝色主题";
    QTest::newRow("XML that declares its encoding")
        << QList<Entry>{{"/t.xml",
                         "<?xml version=\"1.0\" encoding=\"Big5\"?><t n=\"\xc2\xc5\xa6\xe2\"/>"}}
        << "t.xml" << false << "text:<?xml version=\"1.0\" encoding=\"Big5\"?><t n=\"藍色\"/>";
    QTest::newRow("UTF-16 with a byte-order mark")
        << QList<Entry>{{"/u.txt", QByteArray("\xff\xfe\xdd\x84\x72\x82", 6)}} << "u.txt" << false
        << "text:蓝色";
    QTest::newRow("unknown type that is UTF-8")
        << QList<Entry>{{"/song.lrc", "[00:01]你好"}} << "song.lrc" << false << "text:[00:01]你好";
    QTest::newRow("later of two entries of one name")
        << QList<Entry>{{"/a.txt", "first"}, {"/a.txt", "second"}} << "a.txt" << false
        << "text:second";
    QTest::newRow("binary of unknown type")
        << QList<Entry>{{"/click.ogg", QByteArray("\x00\x01\xff", 3)}} << "click.ogg" << false
        << "message:类型：.ogg\n大小：3 B";
    QTest::newRow("binary without extension") << QList<Entry>{{"/blob", "\xff\xfe"}} << "blob"
                                              << false << "message:类型：（无扩展名）\n大小：2 B";
    QTest::newRow("damaged picture")
        << QList<Entry>{{"/broken.png", "not a picture"}} << "broken.png" << false
        << "message:图片已损坏\n类型：.png\n大小：13 B";
    QTest::newRow("text over 1 MiB")
        << QList<Entry>{{"/big.txt", bigText}} << "big.txt" << false
        << "message:文件太大，无法预览\n大小：" + formatSize(bigText.size());
    QTest::newRow("unknown type over 1 MiB, not read")
        << QList<Entry>{{"/big.bin", bigText}} << "big.bin" << false
        << "message:类型：.bin\n大小：" + formatSize(bigText.size());
    QTest::newRow("picture over 64 MiB")
        << QList<Entry>{{"/huge.png", QByteArray(64 * 1024 * 1024 + 1, '\0')}} << "huge.png"
        << false << "message:文件太大，无法预览\n大小：" + formatSize(64 * 1024 * 1024 + 1);
    // A tiny file that claims a picture of 30,000 x 30,000 pixels.
    QTest::newRow("picture that would be too large decoded")
        << QList<Entry>{{"/vast.pbm", "P4\n30000 30000\n" + QByteArray(64, '\xff')}} << "vast.pbm"
        << false << "message:图片的像素太多（30000 x 30000 像素），无法预览\n大小：79 B";
    QTest::newRow("a folder") << QList<Entry>{{"/img/a.png", png}} << "img" << false
                              << "message:选择一个资源文件即可在这里预览。";
    QTest::newRow("the theme") << QList<Entry>{{"/a.png", png}} << "" << false
                               << "message:选择一个资源文件即可在这里预览。";
    QTest::newRow("archive deleted after it was listed")
        << QList<Entry>{{"/a.txt", "a"}} << "a.txt" << true
        << "message:无法读取这个资源。\n找不到这个主题文件，它可能已被移动、改名或删除。请把它重新加入列表。";
}

void TestPreview::showsResource()
{
    QFETCH(QList<Entry>, entries);
    QFETCH(QString, chosen);
    QFETCH(bool, archiveGone);
    QFETCH(QString, expected);
    previewArchive(entries);
    if (archiveGone)
        QFile::remove(path("t.tsk"));
    choose({chosen});
    QCOMPARE(paneText(), expected);
}

// Scaled down to fit, never enlarged, on a window of its first size.
void TestPreview::fitsPictureToPane()
{
    previewArchive(
        {{"/small.png", imageBytes(32, 16, "PNG")}, {"/wide.png", imageBytes(3000, 1000, "PNG")}});
    window->resize(800, 450);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    auto *canvas = pane()->findChild<ImageCanvas *>("imageCanvas");

    choose({"small.png"});
    QCOMPARE(paneText(),
             QStringLiteral("image:32 x 16 像素\n") + formatSize(imageBytes(32, 16, "PNG").size()));
    QCOMPARE(canvas->imageRect().size(), QSize(32, 16));

    choose({"wide.png"});
    QVERIFY(paneText().startsWith(QStringLiteral("image:3000 x 1000 像素\n")));
    const QRect shown = canvas->imageRect();
    QVERIFY2(canvas->contentsRect().contains(shown), "the picture overflows the pane");
    QVERIFY2(shown.width() >= canvas->contentsRect().width() - 1,
             "the picture does not fill the pane's width");
    QVERIFY(qAbs(shown.width() - 3 * shown.height()) <= 3); // in proportion
    QVERIFY(shown.width() >= 100); // the pane is wide enough to see it at 800 x 450
}

// A large picture still decoding when a small text is chosen: the text shows,
// and the picture never replaces it.
void TestPreview::showsNewestSelection()
{
    previewArchive({{"/large.png", imageBytes(4000, 4000, "PNG")}, {"/note.txt", "note"}});
    choose({"large.png"});
    choose({"note.txt"});
    QCOMPARE(paneText(), QStringLiteral("text:note"));
    QTest::qWait(1500); // time enough for the picture to be done
    QCOMPARE(paneText(), QStringLiteral("text:note"));
    choose({"large.png"});
    QVERIFY(paneText().startsWith(QStringLiteral("image:4000 x 4000 像素")));
}

void TestPreview::filtersTree_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("shown");
    const QString all = "demo{skin{play.jpg},img{icons{Play.png},bg.png},readme,theme.xml}";
    QTest::newRow("no filter") << "" << all;
    QTest::newRow("letter case ignored, folders above kept")
        << "play"
        << "demo{skin{play.jpg},img{icons{Play.png}}}";
    QTest::newRow("across folders") << "s/p"
                                    << "demo{img{icons{Play.png}}}";
    QTest::newRow("a folder's name keeps what it holds") << "SKIN"
                                                         << "demo{skin{play.jpg}}";
    QTest::newRow("a folder with its separator") << "img/"
                                                 << "demo{img{icons{Play.png},bg.png}}";
    QTest::newRow("file names only") << "me"
                                     << "demo{readme,theme.xml}";
    QTest::newRow("nothing matches") << "nothing"
                                     << "demo";
    QTest::newRow("wildcards as extract takes them") << "*/*.png"
                                                     << "demo{img{bg.png}}";
    QTest::newRow("a wildcard folder keeps what it holds") << "?KIN"
                                                           << "demo{skin{play.jpg}}";
    QTest::newRow("a wildcard that matches nothing") << "*.gif"
                                                     << "demo";
}

void TestPreview::filtersTree()
{
    QFETCH(QString, filter);
    QFETCH(QString, shown);
    previewArchive({{"/img/bg.png", "b"},
                    {"/img/icons/Play.png", "p"},
                    {"/skin/play.jpg", "j"},
                    {"/theme.xml", "x"},
                    {"/readme", "r"}});
    tree()->collapseAll();
    tree()->setCurrentItem(treeRow("readme")); // shown in the pane
    treeRow("img/bg.png")->setSelected(true);
    QCOMPARE(paneText(), QStringLiteral("text:r"));
    auto *field = widget<QLineEdit>("resourceFilterEdit");
    QTest::keyClicks(field, filter);
    QCOMPARE(dumpShown(tree()->topLevelItem(0)), shown);
    // A hint says when nothing is left.
    QCOMPARE(!widget<QLabel>("filterHintLabel")->isHidden(), shown == QLatin1String("demo"));
    // The pane never shows a resource the filter hides.
    if (!shown.contains(QLatin1String("readme")))
        QVERIFY2(!paneText().startsWith(QLatin1String("text:r")), qPrintable(paneText()));
    for (QTreeWidgetItemIterator it(tree()); *it; ++it) {
        bool outOfView = false;
        for (const QTreeWidgetItem *item = *it; item; item = item->parent())
            outOfView = outOfView || item->isHidden();
        if (!outOfView && (*it)->childCount() > 0 && !filter.isEmpty())
            QVERIFY2((*it)->isExpanded(), qPrintable((*it)->text(0)));
        if (outOfView) // no longer chosen
            QVERIFY2(!(*it)->isSelected(), qPrintable((*it)->text(0)));
    }

    // The filter stays when the theme is previewed again, and goes when cleared.
    table("themeFileTable")->clearSelection();
    table("themeFileTable")->selectRow(0);
    QCOMPARE(dumpShown(tree()->topLevelItem(0)), shown);
    field->clear();
    QCOMPARE(dumpShown(tree()->topLevelItem(0)),
             QStringLiteral("demo{skin{play.jpg},img{icons{Play.png},bg.png},readme,theme.xml}"));
}

void TestPreview::extractsSelection_data()
{
    QTest::addColumn<QStringList>("chosen");
    QTest::addColumn<QString>(
        "setUp"); // "", "cancel" (the folder dialog), "damaged" (the archive, after listing)
    QTest::addColumn<QStringList>("files"); // below the chosen folder, with their contents
    QTest::addColumn<QString>("text");

    QTest::newRow("two files") << QStringList{"img/bg.png", "theme.xml"} << ""
                               << QStringList{"demo/img/bg.png=b", "demo/theme.xml=x"}
                               << "所选的 2 个资源已解压到文件夹 %1 下！";
    QTest::newRow("a folder takes what it holds")
        << QStringList{"img"} << "" << QStringList{"demo/img/bg.png=b", "demo/img/icons/play.png=p"}
        << "所选的 2 个资源已解压到文件夹 %1 下！";
    QTest::newRow("a folder and a file inside it")
        << QStringList{"img/icons", "img/icons/play.png"} << ""
        << QStringList{"demo/img/icons/play.png=p"} << "所选的 1 个资源已解压到文件夹 %1 下！";
    QTest::newRow("the theme itself")
        << QStringList{""} << ""
        << QStringList{"demo/img/bg.png=b", "demo/img/icons/play.png=p", "demo/skin/a.jpg=a",
                       "demo/theme.xml=x"}
        << "所选的 4 个资源已解压到文件夹 %1 下！";
    QTest::newRow("folder dialog cancelled")
        << QStringList{"theme.xml"} << "cancel" << QStringList{} << "";
    QTest::newRow("archive damaged after it was listed")
        << QStringList{"theme.xml"} << "damaged" << QStringList{}
        << "所选资源没有全部解压：\n主题文件已损坏，没有解压。请重新获取这个主题文件。";
}

void TestPreview::extractsSelection()
{
    QFETCH(QStringList, chosen);
    QFETCH(QString, setUp);
    QFETCH(QStringList, files);
    QFETCH(QString, text);
    const QList<Entry> entries{{"/img/bg.png", "b"},
                               {"/img/icons/play.png", "p"},
                               {"/skin/a.jpg", "a"},
                               {"/theme.xml", "x"}};
    previewArchive(entries);
    if (setUp == QLatin1String("damaged"))
        writeFile(path("t.tsk"), build("demo", entries).left(70));
    QDir().mkpath(path("out"));
    setWorkDir(path("work"));
    dialogs.folders.enqueue(setUp == QLatin1String("cancel") ? QString() : path("out"));
    dialogs.actionAnswers.enqueue(true);

    choose(chosen);
    auto *extract = widget<QAction>("extractResourcesAction");
    QVERIFY(tree()->actions().contains(extract)); // in the tree's context menu
    QVERIFY(extract->isEnabled());
    extract->trigger();
    waitForRunEnd();

    QCOMPARE(dialogs.requests.size(), 2); // the file dialog that added the archive, then this one
    QCOMPARE(dialogs.requests[1].caption, QStringLiteral("选择解压到的文件夹"));
    QCOMPARE(dialogs.requests[1].startDir, path("work"));
    QStringList written;
    const QMap<QString, QByteArray> out = listTree(path("out"));
    for (auto it = out.constBegin(); it != out.constEnd(); ++it)
        written.append(it.key() + QLatin1Char('=') + QString::fromUtf8(it.value()));
    QCOMPARE(written, files);
    if (text.isEmpty()) {
        QCOMPARE(dialogs.messages.size(), 0);
        return;
    }
    QCOMPARE(dialogs.messages.size(), 1);
    const WindowMessage &box = dialogs.messages[0];
    QCOMPARE(box.title, QStringLiteral("解压所选资源"));
    if (files.isEmpty()) {
        QCOMPARE(box.kind, WindowMessage::Kind::Warning);
        QCOMPARE(box.text, text);
        QVERIFY2(box.details.contains(QStringLiteral("The theme file is damaged.")),
                 qPrintable(box.details));
        QCOMPARE(dialogs.openedFolders, QStringList());
    } else {
        QCOMPARE(box.kind, WindowMessage::Kind::Information);
        QCOMPARE(box.text, text.arg(QDir::toNativeSeparators(path("out/demo"))));
        QCOMPARE(box.actionText, QStringLiteral("打开文件夹"));
        QCOMPARE(dialogs.openedFolders, QStringList{path("out/demo")});
    }
}

// Double-click or Enter hands a copy of the resource to the desktop; the
// copies go when the window closes.
void TestPreview::opensWithDesktop()
{
    previewArchive({{"/img/bg.png", "picture"}, {"/img/icons/a.png", "a"}});
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    const auto centreOf = [this](const QString &resource) {
        return tree()->visualItemRect(treeRow(resource)).center();
    };

    QTest::mouseDClick(tree()->viewport(), Qt::LeftButton, {}, centreOf("img/bg.png"));
    QTRY_COMPARE(dialogs.openedUrls.size(), 1); // once its copy is made
    const QString opened = dialogs.openedUrls[0].toLocalFile();
    QVERIFY2(opened.endsWith(QLatin1String("/demo/img/bg.png")), qPrintable(opened));
    QCOMPARE(readFile(opened), QByteArray("picture"));
    QCOMPARE(QFileInfo(opened).dir().entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
             QStringList{"bg.png"}); // that resource only
    const QString scratch =
        QDir::tempPath() + QLatin1Char('/')
        + QDir(QDir::tempPath()).relativeFilePath(opened).section(QLatin1Char('/'), 0, 0);
    // Named with its owner, so a later Velmoro knows whether that one still runs.
    QVERIFY(scratch.startsWith(
        QDir::tempPath() + QStringLiteral("/velmoro-%1-").arg(QCoreApplication::applicationPid())));

    QTest::mouseDClick(tree()->viewport(), Qt::LeftButton, {}, centreOf("img/icons"));
    // A copy that an application changed is made again.
    writeFile(opened, "edited");
    QTest::mouseDClick(tree()->viewport(), Qt::LeftButton, {}, centreOf("img/bg.png"));
    QTRY_COMPARE(dialogs.openedUrls.size(), 2); // the folder opened nothing
    QCOMPARE(dialogs.openedUrls[1].toLocalFile(), opened);
    QCOMPARE(readFile(opened), QByteArray("picture"));

    tree()->setFocus();
    tree()->setCurrentItem(treeRow("img/icons/a.png"));
    QTest::keyClick(tree(), Qt::Key_Return);
    QTRY_COMPARE(dialogs.openedUrls.size(), 3);
    QCOMPARE(readFile(dialogs.openedUrls[2].toLocalFile()), QByteArray("a"));

    dialogs.applicationFound = false;
    widget<QAction>("openResourceAction")->trigger();
    QTRY_COMPARE(dialogs.messages.size(), 1);
    QCOMPARE(dialogs.messages[0].text,
             QStringLiteral("系统中没有可以打开 img/icons/a.png 的程序。"));

    QVERIFY(QFileInfo::exists(scratch));
    QVERIFY(window->close());
    QVERIFY2(!QFileInfo::exists(scratch), qPrintable(scratch));
}

void TestPreview::copiesPaths()
{
    previewArchive({{"/img/bg.png", "b"}, {"/skin/a.jpg", "a"}});
    choose({"img/bg.png", "", "skin"});
    widget<QAction>("copyResourcePathAction")->trigger();
    // The top row is the theme itself, not a path inside it.
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("img/bg.png\nskin"));
    // Full paths begin with the archive's own; Ctrl+A chooses every row.
    QTest::keyClick(tree(), Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(tree()->selectedItems().size(), 5);
    choose({"img/bg.png", ""});
    widget<QAction>("copyFullPathAction")->trigger();
    const QString archive = QDir::toNativeSeparators(path("t.tsk"));
    QCOMPARE(QApplication::clipboard()->text(),
             archive + QDir::toNativeSeparators("/img/bg.png\n") + archive);
}

// Rows dragged out carry copies of what they stand for; dropped on the
// window's own tables, they are not listed.
void TestPreview::dragsCopiesOut()
{
    previewArchive({{"/img/bg.png", "b"}, {"/img/more.tsk", demoArchive()}, {"/theme.xml", "x"}});
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    choose({"img", "img/bg.png", "theme.xml"});
    QMimeData data;
    widget<ResourceTree>("resourceTree")->runDrag = [&data](QMimeData *dragged) {
        for (const QString &format : dragged->formats())
            data.setData(format, dragged->data(format));
        return Qt::CopyAction;
    };
    dragOut(treeRow("img"));
    QStringList files;
    for (const QUrl &url : data.urls())
        files.append(url.toLocalFile());
    files.sort();
    QCOMPARE(files.size(), 2); // bg.png goes with its folder
    QVERIFY(files[0].endsWith(QLatin1String("/demo/img")));
    QVERIFY(files[1].endsWith(QLatin1String("/demo/theme.xml")));
    QCOMPARE(readFile(files[0] + "/bg.png"), QByteArray("b"));
    QCOMPARE(readFile(files[0] + "/more.tsk"), demoArchive());
    QCOMPARE(readFile(files[1]), QByteArray("x"));

    for (const char *name : {"themeFileTable", "themeFolderTable"}) {
        QTableWidget *target = table(name);
        const int rows = target->rowCount();
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton,
                              Qt::NoModifier);
        QApplication::sendEvent(target->viewport(), &enter);
        QVERIFY(!enter.isAccepted());
        QDropEvent drop(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target->viewport(), &drop);
        QCOMPARE(target->rowCount(), rows);
    }
}

// Sends a drag event with file URLs to the viewport of a table (where drags
// over the cells arrive) or of the tree; returns whether it was accepted.
bool TestPreview::drag(QAbstractScrollArea *area, QEvent::Type type, const QStringList &names,
                       QPoint where)
{
    QMimeData data;
    QList<QUrl> urls;
    for (const QString &name : names)
        urls.append(name.contains(QLatin1String("://")) ? QUrl(name)
                                                        : QUrl::fromLocalFile(path(name)));
    data.setUrls(urls);
    if (type == QEvent::DragEnter) {
        QDragEnterEvent event(where, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(area->viewport(), &event);
        return event.isAccepted();
    }
    if (type == QEvent::DragMove) {
        QDragMoveEvent event(where, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        event.setAccepted(true);
        QApplication::sendEvent(area->viewport(), &event);
        return event.isAccepted();
    }
    QDropEvent event(where, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(area->viewport(), &event);
    return event.isAccepted();
}

QByteArray TestPreview::entryOf(const QString &name)
{
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    return ThemeReader().readEntry(path("t.tsk"), name, out) ? out.data() : "<none>";
}

void TestPreview::addsDroppedFile()
{
    previewArchive({{"/img/bg.png", "picture"}, {"/a.png", "a"}});
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    writeFile(path("new.png"), "new bytes");
    const QPoint onFolder = tree()->visualItemRect(treeRow("img")).center();
    QVERIFY(drag(tree(), QEvent::DragEnter, {"new.png"}, onFolder));
    QVERIFY(drag(tree(), QEvent::DragMove, {"new.png"}, onFolder));
    QVERIFY(drag(tree(), QEvent::Drop, {"new.png"}, onFolder));
    waitForRunEnd();
    QCOMPARE(entryOf("/img/new.png"), QByteArray("new bytes"));
    QCOMPARE(entryOf("/img/bg.png"), QByteArray("picture"));
    QCOMPARE(treeRow("img/new.png")->text(1), formatSize(9)); // the tree read it again
    QVERIFY(dialogs.messages.isEmpty());
}

void TestPreview::putsBackEditedCopy()
{
    previewArchive({{"/img/bg.png", "picture"}, {"/a.png", "a"}});
    tree()->setCurrentItem(treeRow("img/bg.png"));
    widget<QAction>("openResourceAction")->trigger();
    QTRY_COMPARE(dialogs.openedUrls.size(), 1);
    auto *bar = widget<QWidget>("copyChangedBar");
    QVERIFY(bar->isHidden());
    writeFile(dialogs.openedUrls[0].toLocalFile(), "painted over");
    QTRY_VERIFY(!bar->isHidden());
    QCOMPARE(widget<QLabel>("copyChangedLabel")->text(),
             QStringLiteral("资源 img/bg.png 已在其他程序中修改。"));
    click("putBackButton");
    waitForRunEnd();
    QCOMPARE(entryOf("/img/bg.png"), QByteArray("painted over"));
    QVERIFY(bar->isHidden());
    QVERIFY(window->close()); // nothing left to put back: no question
    QVERIFY(dialogs.messages.isEmpty());
}

void TestPreview::dropsOntoTables_data()
{
    QTest::addColumn<QString>("target"); // a table, or the tree beside them
    QTest::addColumn<QStringList>("dragged");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QStringList>("archives"); // the unpack table's rows after the drop
    QTest::addColumn<QStringList>("folders");  // and the pack table's

    QTest::newRow("two folders and a text file")
        << "themeFolderTable" << QStringList{"blue", "notes.txt", "red"} << true << QStringList{}
        << QStringList{"blue", "red"};
    QTest::newRow("an archive onto the pack table goes to the unpack table")
        << "themeFolderTable" << QStringList{"notes.txt", "Theme.TSK"} << true
        << QStringList{"demo"} << QStringList{};
    QTest::newRow("archives in any letter case, and a folder for the pack table")
        << "themeFileTable" << QStringList{"Theme.TSK", "theme.tsk.bak", "blue"} << true
        << QStringList{"demo"} << QStringList{"blue"};
    QTest::newRow("a .tsk that is no archive")
        << "themeFileTable" << QStringList{"fake.tsk"} << true << QStringList{} << QStringList{};
    QTest::newRow("folders onto the unpack table go to the pack table")
        << "themeFileTable" << QStringList{"blue", "red"} << true << QStringList{}
        << QStringList{"blue", "red"};
    QTest::newRow("a folder named like an archive")
        << "themeFileTable" << QStringList{"folder.Tsk"} << true << QStringList{}
        << QStringList{"folder.Tsk"};
    QTest::newRow("web addresses are not files")
        << "themeFolderTable" << QStringList{"https://example.org/theme"} << false << QStringList{}
        << QStringList{};
    QTest::newRow("anywhere else on the window")
        << "resourceTree" << QStringList{"blue", "Theme.TSK", "notes.txt"} << true
        << QStringList{"demo"} << QStringList{"blue"};
    QTest::newRow("anywhere else, nothing to take")
        << "resourceTree" << QStringList{"notes.txt"} << false << QStringList{} << QStringList{};
}

void TestPreview::dropsOntoTables()
{
    QFETCH(QString, target);
    QFETCH(QStringList, dragged);
    QFETCH(bool, accepted);
    QFETCH(QStringList, archives);
    QFETCH(QStringList, folders);
    QDir().mkpath(path("blue"));
    QDir().mkpath(path("red"));
    QDir().mkpath(path("folder.Tsk"));
    writeFile(path("notes.txt"), "notes");
    writeFile(path("Theme.TSK"), demoArchive());
    writeFile(path("theme.tsk.bak"), demoArchive());
    writeFile(path("fake.tsk"), "not an archive");

    auto *area = widget<QAbstractScrollArea>(target.toLatin1());
    const auto names = [this](const char *name) {
        QStringList rows;
        for (int row = 0; row < table(name)->rowCount(); ++row)
            rows.append(table(name)->item(row, 0)->text());
        return rows;
    };
    QCOMPARE(drag(area, QEvent::DragEnter, dragged), accepted);
    // A table lists its own kind as the drag enters.
    QCOMPARE(names("themeFileTable"), target == "themeFileTable" ? archives : QStringList());
    QCOMPARE(names("themeFolderTable"), target == "themeFolderTable" ? folders : QStringList());
    if (accepted) // the table's own handling keeps the drag accepted as it moves
        QVERIFY(drag(area, QEvent::DragMove, dragged));
    // A drop reaches only a table that accepted the drag's entry.
    QCOMPARE(drag(area, QEvent::Drop, dragged), accepted);
    QTRY_COMPARE(names("themeFileTable"), archives);
    QTRY_COMPARE(names("themeFolderTable"), folders);
    if (folders.size() == 1 && folders.first() == "blue")
        QCOMPARE(table("themeFolderTable")->item(0, 1)->text(),
                 QDir::toNativeSeparators(path("blue")));
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
    QCOMPARE(
        dialogs.messages[0].text,
        QStringLiteral("下列主题文件没有加入列表：\n%1：损坏\n%2：含有指向目标文件夹之外的路径")
            .arg(QDir::toNativeSeparators(paths[0]), QDir::toNativeSeparators(paths[3])));
}

// The first archive of each comparison.
static QByteArray olderTheme()
{
    return build(
        "demo",
        {{"/img/bg.png", imageBytes(64, 48, "PNG")}, {"/gone.txt", "x"}, {"/note.txt", "aa"}});
}

void TestPreview::comparesArchives_data()
{
    QTest::addColumn<QByteArray>("newer");
    QTest::addColumn<QStringList>("rows"); // state|path|old size|new size
    QTest::addColumn<QString>("shown");    // in the dialog's summary, or in the box

    const QByteArray png = imageBytes(64, 48, "PNG");
    const QByteArray newPng = imageBytes(32, 32, "PNG");
    QTest::newRow("added, removed and changed")
        << build("demo", {{"/note.txt", "abc"}, {"/new.png", newPng}, {"/img/bg.png", newPng}})
        << QStringList{"删除|gone.txt|1 B|-", "新增|new.png|-|" + formatSize(newPng.size()),
                       "修改|note.txt|2 B|3 B",
                       "修改|img/bg.png|" + formatSize(png.size()) + '|'
                           + formatSize(newPng.size())}
        << "新增 1 个资源，删除 1 个，修改 2 个。";
    QTest::newRow("equal, in another order")
        << build("other", {{"/note.txt", "aa"}, {"/gone.txt", "x"}, {"/img/bg.png", png}})
        << QStringList() << "两个主题文件的资源相同。";
    QTest::newRow("damaged") << olderTheme().chopped(1) << QStringList() << "b.tsk：损坏：";
}

// 比较… on an archive's row: the rows of what changed, and a changed picture
// in both versions side by side.
void TestPreview::comparesArchives()
{
    QFETCH(QByteArray, newer);
    QFETCH(QStringList, rows);
    QFETCH(QString, shown);
    writeFile(path("a.tsk"), olderTheme());
    writeFile(path("b.tsk"), newer);
    addArchive(path("a.tsk"));
    table("themeFileTable")->setCurrentCell(0, 0);
    dialogs.fileLists.enqueue({path("b.tsk")});
    widget<QAction>("compareArchiveAction")->trigger();
    QTRY_VERIFY(!dialogs.messages.isEmpty() || window->findChild<QDialog *>("compareDialog"));
    auto *dialog = window->findChild<QDialog *>("compareDialog");
    const QString seen = dialog ? dialog->findChild<QLabel *>("summaryLabel")->text()
                                : dialogs.messages.first().text;
    QVERIFY2(seen.contains(shown), qPrintable(seen));
    QStringList listed;
    auto *differences = dialog ? dialog->findChild<QTableWidget *>("differenceTable") : nullptr;
    for (int row = 0; differences && row < differences->rowCount(); ++row)
        listed.append(
            QStringList{differences->item(row, 0)->text(), differences->item(row, 1)->text(),
                        differences->item(row, 2)->text(), differences->item(row, 3)->text()}
                .join('|'));
    QCOMPARE(listed, rows);
    if (rows.isEmpty())
        return;
    auto *view = dialog->findChild<VersionView *>("versionView");
    differences->selectRow(int(rows.size()) - 1);
    QTRY_VERIFY(!view->isLoading());
    const QString size = formatSize(imageBytes(64, 48, "PNG").size());
    QCOMPARE(view->findChild<QLabel *>("oldCaption")->text(), "原：a.tsk\n64 x 48 像素 · " + size);
    QCOMPARE(view->findChild<QLabel *>("newCaption")->text(),
             "新：b.tsk\n32 x 32 像素 · " + formatSize(imageBytes(32, 32, "PNG").size()));
}

QTEST_MAIN(TestPreview)
#include "tst_preview.moc"
