// Long packs and unpacks run off the GUI thread: the window keeps running,
// the progress dialog's Cancel stops them cleanly. Also the ways in besides
// the buttons: paths from the command line and the Delete key.

#include "TestArchive.h"
#include "WindowTestKit.h"
#include "app/Velmoro.h"

#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

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

// An archive whose first resource is `size` bytes of zeros (stored sparsely)
// and whose second is "ab".
void makeSparseArchive(const QString &path, qint64 size)
{
    QByteArray head = build("huge", {{"/big", ""}, {"/after", ""}});
    const qint64 data = head.size();
    patchInt32(head, 48, qint32(data + size));     // "/after" starts after the zeros
    patchInt32(head, 56, qint32(data + size + 2)); // the closing record
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(head);
    QVERIFY(file.resize(data + size));
    QVERIFY(file.seek(data + size));
    file.write("ab");
}

// While it lives, counts its ticks and presses the progress dialog's Cancel
// once the dialog shows and `ticksBefore` ticks have passed.
class ProgressCanceller : public QObject
{
public:
    explicit ProgressCanceller(int ticksBefore, std::function<void()> instead = {})
        : ticksBefore(ticksBefore), instead(std::move(instead))
    {
        QObject::connect(&timer, &QTimer::timeout, this, [this] { tick(); });
        timer.start(20);
    }
    int ticks = 0;
    bool dialogSeen = false;
    bool cancelled = false;

private:
    void tick()
    {
        ++ticks;
        auto *dialog = qApp->findChild<QProgressDialog *>(QStringLiteral("progressDialog"));
        if (!dialog) {
            for (QWidget *widget : QApplication::topLevelWidgets())
                dialog = dialog ? dialog : widget->findChild<QProgressDialog *>(QStringLiteral("progressDialog"));
        }
        if (!dialog || !dialog->isVisible())
            return;
        dialogSeen = true;
        if (cancelled || ticks < ticksBefore)
            return;
        cancelled = true;
        if (instead) {
            instead();
            return;
        }
        for (QPushButton *button : dialog->findChildren<QPushButton *>())
            button->click(); // the dialog's only button: Cancel
    }

    QTimer timer;
    int ticksBefore;
    std::function<void()> instead;
};

} // namespace

class TestLongRun : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void cancelsPackAndKeepsOldArchive();
    void cancelsUnpackEarly();
    void closingDuringRunCancelsIt();
    void showsNoDialogForShortRuns();
    void opensPathsFromCommandLine_data();
    void opensPathsFromCommandLine();
    void deleteKeyRemovesRows();

private:
    QString path(const QString &name) const { return temp->filePath(name); }
    template <typename T> T *widget(const char *name) { return window->findChild<T *>(QLatin1String(name)); }

    QScopedPointer<QTemporaryDir> temp;
    QScopedPointer<Velmoro> window;
    ScriptedDialogs dialogs;
};

void TestLongRun::init()
{
    temp.reset(new QTemporaryDir);
    QVERIFY(temp->isValid());
    qputenv("XDG_DATA_HOME", path("data").toUtf8());
    dialogs = ScriptedDialogs();
    window.reset(new Velmoro);
    window->setDialogSeam(&dialogs);
    window->setProgressDialogDelay(0);
    window->show();
}

void TestLongRun::cleanup()
{
    window.reset();
}

void TestLongRun::cancelsPackAndKeepsOldArchive()
{
    writeFile(path("themes/blue/a.png"), "a");
    makeSparseFile(path("themes/blue/huge.bin"), hugeSize);
    writeFile(path("themes/red/r.png"), "r");
    writeFile(path("out/blue.tsk"), "yesterday's archive");
    widget<QLineEdit>("workDirEdit")->setText(path("out"));
    for (const char *folder : {"themes/blue", "themes/red"}) {
        dialogs.folders.enqueue(path(QLatin1String(folder)));
        widget<QPushButton>("addThemeFolderButton")->click();
    }

    MessageBoxAnswerer answerer;
    ProgressCanceller canceller(3);
    widget<QPushButton>("packThemeFolderButton")->click();

    QVERIFY(canceller.dialogSeen && canceller.cancelled);
    QVERIFY2(canceller.ticks >= 3, "the window's event loop ran during the pack");
    QCOMPARE(readFile(path("out/blue.tsk")), QByteArray("yesterday's archive"));
    QCOMPARE(listAll(path("out")), QStringList{"blue.tsk"}); // no temporary file, no red.tsk
    QCOMPARE(answerer.boxes.size(), 1);
    QCOMPARE(answerer.boxes[0].icon, QMessageBox::Warning);
    QCOMPARE(answerer.boxes[0].title, QStringLiteral("打包主题"));
    QCOMPARE(answerer.boxes[0].text, QStringLiteral("已取消：0 个主题已打包，0 个主题打包失败，2 个主题未打包。"));
    QVERIFY(widget<QWidget>("centralWidget")->isEnabled()); // ready for the next command
}

void TestLongRun::cancelsUnpackEarly()
{
    writeFile(path("in/small.tsk"), build("small", {{"/s", "s"}}));
    makeSparseArchive(path("in/huge.tsk"), hugeSize);
    writeFile(path("in/last.tsk"), build("last", {{"/l", "l"}}));
    widget<QLineEdit>("workDirEdit")->setText(path("out"));
    dialogs.fileLists.enqueue({path("in/small.tsk"), path("in/huge.tsk"), path("in/last.tsk")});
    widget<QPushButton>("addThemeFileButton")->click();
    QCOMPARE(widget<QTableWidget>("themeFileTable")->rowCount(), 3);

    MessageBoxAnswerer answerer;
    ProgressCanceller canceller(3);
    widget<QPushButton>("unpackThemeFileButton")->click();

    QVERIFY(canceller.cancelled);
    // The first theme was unpacked; the huge resource was stopped and
    // removed, so nothing after it was written.
    QCOMPARE(listAll(path("out")), (QStringList{"huge", "small", "small/s"}));
    QCOMPARE(answerer.boxes.size(), 1);
    QCOMPARE(answerer.boxes[0].text, QStringLiteral("已取消：1 个主题已解压，0 个主题解压失败，2 个主题未解压。"));
    QVERIFY(answerer.boxes[0].details.contains(QStringLiteral("Not done, the run was cancelled.")));
}

void TestLongRun::closingDuringRunCancelsIt()
{
    makeSparseFile(path("themes/blue/huge.bin"), hugeSize);
    widget<QLineEdit>("workDirEdit")->setText(path("out"));
    QDir().mkpath(path("out"));
    dialogs.folders.enqueue(path("themes/blue"));
    widget<QPushButton>("addThemeFolderButton")->click();

    MessageBoxAnswerer answerer;
    ProgressCanceller closer(2, [this] { window->close(); });
    widget<QPushButton>("packThemeFolderButton")->click();

    QVERIFY(closer.cancelled);
    QVERIFY(!window->isVisible()); // closed once the run had stopped
    QCOMPARE(listAll(path("out")), QStringList());
    QCOMPARE(readFile(path("data/Orvane/Velmoro/Settings/Settings.xml")), path("out").toUtf8());
}

void TestLongRun::showsNoDialogForShortRuns()
{
    window->setProgressDialogDelay(500);
    writeFile(path("themes/blue/a.png"), "a");
    dialogs.folders.enqueue(path("themes/blue"));
    widget<QPushButton>("addThemeFolderButton")->click();
    widget<QLineEdit>("workDirEdit")->setText(path("out"));
    QDir().mkpath(path("out"));

    MessageBoxAnswerer answerer;
    ProgressCanceller watcher(1000);
    widget<QPushButton>("packThemeFolderButton")->click();
    QVERIFY(!watcher.dialogSeen);
    QCOMPARE(answerer.boxes.size(), 1);
    QCOMPARE(answerer.boxes[0].icon, QMessageBox::Information);
    QVERIFY(QFileInfo::exists(path("out/blue.tsk")));
}

void TestLongRun::opensPathsFromCommandLine_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("folders");
    QTest::addColumn<int>("archives");
    QTest::addColumn<int>("tab");
    QTest::newRow("folders and archives") << QStringList{"blue", "demo.tsk", "red", "other.TSK"} << 2 << 2 << 0;
    QTest::newRow("folders only") << QStringList{"blue", "red", "notes.txt"} << 2 << 0 << 1;
    QTest::newRow("archives only") << QStringList{"demo.tsk"} << 0 << 1 << 0;
    QTest::newRow("nothing usable") << QStringList{"notes.txt", "missing", "fake.tsk"} << 0 << 0 << 0;
    QTest::newRow("repeats listed once") << QStringList{"blue", "blue", "demo.tsk", "demo.tsk"} << 1 << 1 << 0;
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
