// SPDX-License-Identifier: MIT
// Long packs and unpacks run off the GUI thread: the window keeps running,
// the progress dialog's Cancel stops them cleanly. Also the ways in besides
// the buttons: paths from the command line and the Delete key.

#include "GuiTestBase.h"
#include "app/preview/ResourceTree.h"

#include <QCloseEvent>
#include <QElapsedTimer>
#include <QMenu>
#include <QMimeData>
#include <QProgressDialog>
#include <QTabWidget>
#include <QTimer>
#include <QWindow>

using namespace TestArchive;

namespace {

// Big enough that copying it takes well over the moments the tests wait.
constexpr qint64 hugeSize = qint64(1536) << 20;

void makeSparseFile(const QString &path, qint64 size)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.resize(size));
}

// An archive whose resources are `first` (may be empty), `size` bytes of
// zeros (stored sparsely) and "ab", in that order.
void makeSparseArchive(const QString &path, qint64 size, const QByteArray &first = QByteArray())
{
    QList<Entry> entries{{"/big", ""}, {"/after", ""}};
    if (!first.isEmpty())
        entries.prepend({"/first", first});
    QByteArray head = build("huge", entries);
    const qint64 data = head.size();
    const int records = 44 + (first.isEmpty() ? 0 : 8);      // the index record of "/after"
    patchInt32(head, records + 4, qint32(data + size));      // "/after" starts after the zeros
    patchInt32(head, records + 12, qint32(data + size + 2)); // the closing record
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(head);
    QVERIFY(file.resize(data + size));
    QVERIFY(file.seek(data + size));
    file.write("ab");
}

// While it lives, does `action` once the progress dialog has been up for
// `afterMs`, and counts the ticks of the window's event loop meanwhile.
class WhileProgressShows : public QObject
{
public:
    explicit WhileProgressShows(int afterMs, std::function<void(QWidget *dialog)> action)
        : watcher([this, afterMs, action](QWidget *shown) {
              if (shown->objectName() != QLatin1String("progressDialog") || dialogSeen)
                  return;
              dialogSeen = true;
              QTimer::singleShot(afterMs, shown, [this, shown, action] {
                  acted = true;
                  action(shown);
              });
          })
    {
        QObject::connect(&ticker, &QTimer::timeout, this, [this] { ++ticks; });
        ticker.start(20);
    }
    int ticks = 0;
    bool dialogSeen = false;
    bool acted = false;

private:
    ShownWindows watcher;
    QTimer ticker;
};

// How long the calling thread has waited for a processor so far, in
// milliseconds; 0 where the system does not tell.
qint64 waitedForProcessor()
{
    QFile stats(QStringLiteral("/proc/thread-self/schedstat"));
    if (!stats.open(QIODevice::ReadOnly))
        return 0;
    return stats.readAll().split(' ').value(1).trimmed().toLongLong() / 1000000;
}

// The longest the window's event loop went without running, while it lives.
// Time it waited for a processor that other programs held is left out: a
// loaded machine must not decide what the window's own work does.
class StallMeter : public QObject
{
public:
    StallMeter()
    {
        clock.start();
        QObject::connect(&ticker, &QTimer::timeout, this, [this] {
            const qint64 waited = waitedForProcessor();
            longest = qMax(longest, clock.restart() - (waited - lastWaited));
            lastWaited = waited;
        });
        ticker.start(10);
    }
    qint64 longest = 0;

private:
    QElapsedTimer clock;
    QTimer ticker;
    qint64 lastWaited = waitedForProcessor();
};

void pressCancel(QWidget *dialog)
{
    for (QPushButton *button : dialog->findChildren<QPushButton *>())
        button->click(); // the dialog's only button: Cancel
}

} // namespace

class TestLongRun : public GuiTestBase
{
    Q_OBJECT

public:
    TestLongRun()
    {
        showWindow = true;
        progressDialogDelay = 0;
    }

private slots:
    void cancelsPackAndKeepsOldArchive();
    void cancelsUnpackEarly();
    void cancelledUnpackSaysWhatWasWritten();
    void closingDuringRunCancelsIt();
    void quittingDuringRunCancelsIt_data();
    void quittingDuringRunCancelsIt();
    void showsNoDialogForShortRuns();
    void copiesForDesktopInBackground_data();
    void copiesForDesktopInBackground();
    void opensPathsFromCommandLine_data();
    void opensPathsFromCommandLine();
    void deleteKeyRemovesRows();

private:
    void listHugeFolder();
};

// A folder with a huge file on the pack tab, packing into "out", where an
// older archive of it waits.
void TestLongRun::listHugeFolder()
{
    makeSparseFile(path("themes/blue/huge.bin"), hugeSize);
    writeFile(path("out/blue.tsk"), "yesterday's archive");
    setWorkDir(path("out"));
    addFolders({"themes/blue"});
}

void TestLongRun::cancelsPackAndKeepsOldArchive()
{
    writeFile(path("themes/blue/a.png"), "a");
    writeFile(path("themes/red/r.png"), "r");
    listHugeFolder();
    addFolders({"themes/red"});

    WhileProgressShows canceller(60, pressCancel);
    runAndWait("packThemeFolderButton");

    QVERIFY(canceller.dialogSeen && canceller.acted);
    QVERIFY2(canceller.ticks >= 3, "the window's event loop ran during the pack");
    QCOMPARE(readFile(path("out/blue.tsk")), QByteArray("yesterday's archive"));
    QCOMPARE(listAll(path("out")), QStringList{"blue.tsk"}); // no temporary file, no red.tsk
    QCOMPARE(dialogs.messages.size(), 1);
    QCOMPARE(dialogs.messages[0].kind, WindowMessage::Kind::Warning);
    QCOMPARE(dialogs.messages[0].title, QStringLiteral("打包主题"));
    QCOMPARE(dialogs.messages[0].text,
             QStringLiteral("已取消：0 个主题已打包，0 个主题打包失败，2 个主题未打包。"));
    QVERIFY(widget<QWidget>("centralWidget")->isEnabled()); // ready for the next command
}

void TestLongRun::cancelsUnpackEarly()
{
    writeFile(path("in/small.tsk"), build("small", {{"/s", "s"}}));
    makeSparseArchive(path("in/huge.tsk"), hugeSize);
    writeFile(path("in/last.tsk"), build("last", {{"/l", "l"}}));
    setWorkDir(path("out"));
    addArchives({"in/small.tsk", "in/huge.tsk", "in/last.tsk"});
    QCOMPARE(widget<QTableWidget>("themeFileTable")->rowCount(), 3);

    WhileProgressShows canceller(60, pressCancel);
    runAndWait("unpackThemeFileButton");

    QVERIFY(canceller.acted);
    // The first theme was unpacked; the huge resource was stopped and
    // removed, so nothing after it was written.
    QCOMPARE(listAll(path("out")), (QStringList{"huge", "small", "small/s"}));
    QCOMPARE(dialogs.messages.size(), 1);
    QCOMPARE(dialogs.messages[0].text,
             QStringLiteral("已取消：1 个主题已解压，0 个主题解压失败，2 个主题未解压。"));
    QVERIFY(
        dialogs.messages[0].details.contains(QStringLiteral("Not done, the run was cancelled.")));
}

void TestLongRun::cancelledUnpackSaysWhatWasWritten()
{
    makeSparseArchive(path("in/huge.tsk"), hugeSize, "first resource");
    setWorkDir(path("out"));
    addArchives({"in/huge.tsk"});

    WhileProgressShows canceller(60, pressCancel);
    runAndWait("unpackThemeFileButton");

    QVERIFY(canceller.acted);
    QCOMPARE(listAll(path("out")), (QStringList{"huge", "huge/first"}));
    QCOMPARE(dialogs.messages.size(), 1);
    const QString archive = QDir::toNativeSeparators(path("in/huge.tsk"));
    const QString folder = QDir::toNativeSeparators(path("out/huge"));
    QCOMPARE(dialogs.messages[0].text,
             QStringLiteral("已取消：0 个主题已解压，0 个主题解压失败，1 个主题未解压。\n"
                            "%1 只解压了一部分：已写出的 1 个文件在 %2 中。")
                 .arg(archive, folder));
    QCOMPARE(dialogs.messages[0].details,
             QStringLiteral("%1: Not done, the run was cancelled.\n已写出到 %2 的文件：\n  first")
                 .arg(archive, folder));
}

// The title bar's close button, as the window system delivers it to the
// window, while the progress dialog is up.
void TestLongRun::closingDuringRunCancelsIt()
{
    listHugeFolder();

    bool blockedByDialog = true;
    WhileProgressShows closer(60, [this, &blockedByDialog](QWidget *) {
        // The system's close request is dropped for a window that a modal
        // dialog blocks.
        blockedByDialog = QGuiApplication::modalWindow() != nullptr;
        QCloseEvent request;
        QCoreApplication::sendEvent(window->windowHandle(), &request);
    });
    click("packThemeFolderButton");
    QTRY_VERIFY_WITH_TIMEOUT(closer.acted, 60000);
    QVERIFY(!blockedByDialog);
    waitForRunEnd();

    QVERIFY(!window->isVisible()); // closed once the run had stopped
    QCOMPARE(readFile(path("out/blue.tsk")), QByteArray("yesterday's archive"));
    QCOMPARE(listAll(path("out")), QStringList{"blue.tsk"});
    QCOMPARE(dialogs.messages.size(), 0); // the user has left: no report
    QCOMPARE(readFile(settingsFile()), path("out").toUtf8());
}

void TestLongRun::quittingDuringRunCancelsIt_data()
{
    QTest::addColumn<bool>("exitAtOnce"); // exit() ends the event loop without closing windows
    QTest::newRow("quit") << false;
    QTest::newRow("exit") << true;
}

// The application asked to end while a run goes on, as the desktop session
// or a signal handler does: the event loop ends once the run has stopped,
// and the older archive stays.
void TestLongRun::quittingDuringRunCancelsIt()
{
    QFETCH(bool, exitAtOnce);
    listHugeFolder();

    WhileProgressShows quitter(60, [exitAtOnce](QWidget *) {
        if (exitAtOnce)
            QCoreApplication::exit(0);
        else
            QCoreApplication::quit();
    });
    QTimer::singleShot(0, window.get(), [this] { click("packThemeFolderButton"); });
    QTimer safety;
    safety.setSingleShot(true);
    QObject::connect(&safety, &QTimer::timeout, [] { QCoreApplication::exit(1); });
    safety.start(60000);
    QCOMPARE(QCoreApplication::exec(), 0);
    safety.stop();

    QVERIFY(quitter.acted);
    if (!exitAtOnce)
        QVERIFY(!window->isVisible()); // quit closed the window, after the run
    window.reset();                    // waits for a run still stopping
    QCOMPARE(readFile(path("out/blue.tsk")), QByteArray("yesterday's archive"));
    QCOMPARE(listAll(path("out")), QStringList{"blue.tsk"});
}

void TestLongRun::showsNoDialogForShortRuns()
{
    window->setProgressDialogDelay(500);
    writeFile(path("themes/blue/a.png"), "a");
    addFolders({"themes/blue"});
    setWorkDir(path("out"));
    QDir().mkpath(path("out"));

    ShownWindows shown;
    runAndWait("packThemeFolderButton");
    QTest::qWait(600); // past the delay: the dialog must not show late either
    QVERIFY2(!shown.names.contains(QStringLiteral("progressDialog")),
             qPrintable(shown.names.join(',')));
    QCOMPARE(dialogs.messages.size(), 1);
    QCOMPARE(dialogs.messages[0].kind, WindowMessage::Kind::Information);
    QVERIFY(QFileInfo::exists(path("out/blue.tsk")));
}

void TestLongRun::copiesForDesktopInBackground_data()
{
    QTest::addColumn<QString>("use");    // "drag" or "open"
    QTest::addColumn<QString>("row");    // the resource, "" for the theme's row
    QTest::addColumn<QString>("ending"); // a drag's: "dropped", "refused" or "let go"
    QTest::newRow("resource dragged out") << "drag"
                                          << "big"
                                          << "dropped";
    QTest::newRow("theme row dragged out") << "drag"
                                           << ""
                                           << "dropped";
    QTest::newRow("drag nobody takes") << "drag"
                                       << "big"
                                       << "refused";
    QTest::newRow("drag let go while copying") << "drag"
                                               << "big"
                                               << "let go";
    QTest::newRow("resource opened") << "open"
                                     << "big"
                                     << "";
}

// A 1 GiB resource is copied for the desktop while the window's event loop
// runs on, with the progress dialog; a copy handed out is handed out again
// at once, and a drag given up leaves nothing new behind.
void TestLongRun::copiesForDesktopInBackground()
{
    QFETCH(QString, use);
    QFETCH(QString, row);
    QFETCH(QString, ending);
    makeSparseArchive(path("in/huge.tsk"), qint64(1) << 30);
    addArchives({"in/huge.tsk"});
    widget<QTableWidget>("themeFileTable")->selectRow(0);
    auto *tree = widget<ResourceTree>("resourceTree");
    QTreeWidgetItem *item = tree->topLevelItem(0);
    if (!row.isEmpty())
        item = tree->findItems(row, Qt::MatchExactly | Qt::MatchRecursive).value(0);
    tree->setCurrentItem(item);
    const QStringList before = listAll(path("tmp"));
    QStringList handedOut;
    tree->runDrag = [&handedOut, ending](QMimeData *data) {
        for (const QUrl &url : data->urls())
            handedOut.append(url.toLocalFile());
        return ending == QLatin1String("dropped") ? Qt::CopyAction : Qt::IgnoreAction;
    };
    const auto handOut = [&] {
        if (use == QLatin1String("drag"))
            return dragOut(item);
        tree->setFocus();
        QTest::keyClick(tree, Qt::Key_Return);
        QTRY_VERIFY_WITH_TIMEOUT(!dialogs.openedUrls.isEmpty(), 60000);
        handedOut.append(dialogs.openedUrls.takeFirst().toLocalFile());
    };

    StallMeter meter;
    WhileProgressShows letGo(60, [tree, ending](QWidget *) {
        if (ending == QLatin1String("let go"))
            QTest::mouseRelease(tree->viewport(), Qt::LeftButton);
    });
    handOut();
    QVERIFY2(meter.longest <= 100, qPrintable(QString::number(meter.longest)));
    QVERIFY(letGo.dialogSeen);
    if (ending == QLatin1String("refused") || ending == QLatin1String("let go")) {
        QTRY_COMPARE(listAll(path("tmp")), before);
        return;
    }
    QCOMPARE(handedOut.size(), 1);
    const QString copy = handedOut[0] + (row.isEmpty() ? "/big" : "");
    QCOMPARE(QFileInfo(copy).size(), qint64(1) << 30);

    ShownWindows shown;
    handOut();
    QCOMPARE(handedOut.size(), 2);
    QCOMPARE(handedOut[1], handedOut[0]);
    QVERIFY2(!shown.names.contains(QStringLiteral("progressDialog")), "copied again");
}

void TestLongRun::opensPathsFromCommandLine_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("folders");
    QTest::addColumn<int>("archives");
    QTest::addColumn<int>("tab");
    QTest::newRow("folders and archives")
        << QStringList{"blue", "demo.tsk", "red", "other.TSK"} << 2 << 2 << 0;
    QTest::newRow("folders only") << QStringList{"blue", "red", "notes.txt"} << 2 << 0 << 1;
    QTest::newRow("archives only") << QStringList{"demo.tsk"} << 0 << 1 << 0;
    QTest::newRow("nothing usable")
        << QStringList{"notes.txt", "missing", "fake.tsk"} << 0 << 0 << 0;
    QTest::newRow("repeats listed once")
        << QStringList{"blue", "blue", "demo.tsk", "demo.tsk"} << 1 << 1 << 0;
}

void TestLongRun::opensPathsFromCommandLine()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, folders);
    QFETCH(int, archives);
    QFETCH(int, tab);
    QDir().mkpath(path("blue"));
    QDir().mkpath(path("red"));
    writeFile(path("demo.tsk"), demoArchive());
    writeFile(path("other.TSK"), build("other", {{"/o", "o"}}));
    writeFile(path("fake.tsk"), "not an archive");
    writeFile(path("notes.txt"), "notes");

    const QString previous = QDir::currentPath();
    QDir::setCurrent(temp->path()); // relative arguments, as a shell passes them
    window->openPaths(arguments);
    QDir::setCurrent(previous);
    QCOMPARE(widget<QTableWidget>("themeFolderTable")->rowCount(), folders);
    QCOMPARE(widget<QTableWidget>("themeFileTable")->rowCount(), archives);
    QCOMPARE(widget<QTabWidget>("tabWidget")->currentIndex(), tab);
    // 文件 → 最近打开 lists them, below it a separator and 清除列表.
    QCOMPARE(widget<QMenu>("recentMenu")->actions().size(), folders + archives + 2);
    if (folders)
        QCOMPARE(widget<QTableWidget>("themeFolderTable")->item(0, 1)->text(),
                 QDir::toNativeSeparators(path("blue")));
}

void TestLongRun::deleteKeyRemovesRows()
{
    for (const char *name : {"f0", "f1", "f2"})
        QDir().mkpath(path(QLatin1String(name)));
    writeFile(path("a.tsk"), demoArchive());
    writeFile(path("b.tsk"), demoArchive());
    window->openPaths({path("f0"), path("f1"), path("f2"), path("a.tsk"), path("b.tsk")});
    auto *folders = widget<QTableWidget>("themeFolderTable");
    auto *files = widget<QTableWidget>("themeFileTable");

    folders->clearSelection();
    folders->item(0, 0)->setSelected(true);
    folders->item(2, 0)->setSelected(true);
    QTest::keyClick(folders, Qt::Key_Delete);
    QCOMPARE(folders->rowCount(), 1);
    QCOMPARE(folders->item(0, 0)->text(), QStringLiteral("f1"));
    QCOMPARE(files->rowCount(), 2); // only the table that had the key

    files->selectRow(1);
    QTest::keyClick(files, Qt::Key_Delete);
    QCOMPARE(files->rowCount(), 1);
    QCOMPARE(files->item(0, 1)->text(), QDir::toNativeSeparators(path("a.tsk")));
}

QTEST_MAIN(TestLongRun)
#include "tst_longrun.moc"
