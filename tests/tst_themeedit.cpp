// SPDX-License-Identifier: MIT
#include "TestArchive.h"
#include "archive/ArchiveComparison.h"
#include "archive/ThemeJob.h"
#include "archive/ThemePacker.h"

#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <optional>
#include <sys/file.h>

using namespace TestArchive;

// Edits of archives in place, and comparisons of two: an edit must write
// exactly what the packer writes for the unpacked folder, so changed.
class TestThemeEdit : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void editWritesWhatPackWrites_data();
    void editWritesWhatPackWrites();
    void refusedEditLeavesArchive_data();
    void refusedEditLeavesArchive();
    void comparesArchives_data();
    void comparesArchives();

private:
    QString path(const QString &name) const { return temp->filePath(name); }
    JobOutcome edit(const QStringList &changes, const std::function<bool()> &goOn = {});
    QScopedPointer<QTemporaryDir> temp;
};

namespace {

// "*N" stands for N bytes of a pattern, "0*N" for N zero bytes, anything
// else for its own bytes.
QByteArray contents(const QByteArray &given)
{
    if (given.startsWith("0*"))
        return QByteArray(given.mid(2).toLongLong(), '\0');
    if (!given.startsWith('*'))
        return given;
    QByteArray bytes(given.mid(1).toLongLong(), Qt::Uninitialized);
    for (qsizetype i = 0; i < bytes.size(); ++i)
        bytes[i] = char(i * 7 + i / 4096);
    return bytes;
}

// "name=contents" for each entry, in the order given.
QByteArray archiveOf(const QList<QByteArray> &entries)
{
    QList<Entry> built;
    for (const QByteArray &entry : entries) {
        const qsizetype equals = entry.indexOf('=');
        built.append({entry.left(equals), contents(entry.mid(equals + 1))});
    }
    return build("t", built);
}

// "+SOURCE:PATH" adds, "-NAME" removes (wildcards), "=NAME" removes exactly
// that, "~OLD>NEW" renames; SOURCE is below the temporary folder.
ArchiveChange changeOf(const QString &given, const QString &root)
{
    const QString rest = given.mid(1);
    switch (given.at(0).unicode()) {
    case '+':
        return ArchiveChange::add(root + QLatin1Char('/') + rest.section(QLatin1Char(':'), 0, 0),
                                  rest.section(QLatin1Char(':'), 1));
    case '-': return ArchiveChange::remove({rest}, true);
    case '=': return ArchiveChange::remove({rest}, false);
    }
    return ArchiveChange::rename(rest.section(QLatin1Char('>'), 0, 0),
                                 rest.section(QLatin1Char('>'), 1));
}

} // namespace

void TestThemeEdit::init()
{
    temp.reset(new QTemporaryDir);
    QVERIFY(temp->isValid());
}

// Edits t.tsk through the job layer; `goOn`, when set, answers each progress report.
JobOutcome TestThemeEdit::edit(const QStringList &changes, const std::function<bool()> &goOn)
{
    JobItem item;
    item.source = path("t.tsk");
    for (const QString &change : changes)
        item.changes.append(changeOf(change, temp->path()));
    ThemeJob job(JobKind::Edit, {item}, {});
    if (goOn)
        job.progress = [&goOn](const JobProgress &) { return goOn(); };
    job.run();
    return job.outcomes().first();
}

void TestThemeEdit::editWritesWhatPackWrites_data()
{
    QTest::addColumn<QList<QByteArray>>("before");  // the archive's entries, "name=contents"
    QTest::addColumn<QList<QByteArray>>("planted"); // files to add, as plant() takes them
    QTest::addColumn<QStringList>("changes");
    QTest::addColumn<QList<QByteArray>>("after"); // the folder a pack of which is expected
    const QList<QByteArray> theme{"/a.png=A", "/B.png=BB", "/img/x.png=X", "/img/y.jpg=Y"};

    QTest::newRow("add a file") << theme << QList<QByteArray>{"f:in/b.png=new"}
                                << QStringList{"+in/b.png:b.png"}
                                << QList<QByteArray>{"a.png=A", "b.png=new", "B.png=BB",
                                                     "img/x.png=X", "img/y.jpg=Y"};
    QTest::newRow("replace a resource, by another file's contents")
        << theme << QList<QByteArray>{"f:in/other=longer"} << QStringList{"+in/other:/img/x.png"}
        << QList<QByteArray>{"a.png=A", "B.png=BB", "img/x.png=longer", "img/y.jpg=Y"};
    QTest::newRow("remove by a wildcard") << theme << QList<QByteArray>{} << QStringList{"-*.png"}
                                          << QList<QByteArray>{"img/x.png=X", "img/y.jpg=Y"};
    QTest::newRow("remove a folder, exactly")
        << theme << QList<QByteArray>{} << QStringList{"=img/"}
        << QList<QByteArray>{"a.png=A", "B.png=BB"};
    QTest::newRow("rename a resource into a new folder")
        << theme << QList<QByteArray>{} << QStringList{"~a.png>Z/a.png"}
        << QList<QByteArray>{"B.png=BB", "img/x.png=X", "img/y.jpg=Y", "Z/a.png=A"};
    QTest::newRow("rename a folder")
        << theme << QList<QByteArray>{} << QStringList{"~img>Alt"}
        << QList<QByteArray>{"a.png=A", "B.png=BB", "Alt/x.png=X", "Alt/y.jpg=Y"};
    QTest::newRow("add a folder, as a pack takes it")
        << theme
        << QList<QByteArray>{"f:in/skin/c.png=C", "f:in/skin/.hidden=H", "f:in/skin/s/d.png=D",
                             "p:in/skin/fifo", "l:in/skin/link.png->c.png"}
        << QStringList{"+in/skin:img/skin"}
        << QList<QByteArray>{"a.png=A",           "B.png=BB",         "img/x.png=X",
                             "img/y.jpg=Y",       "img/skin/c.png=C", "img/skin/link.png=C",
                             "img/skin/s/d.png=D"};
    QTest::newRow("a folder's files at the top, replacing")
        << theme << QList<QByteArray>{"f:in/top/a.png=new A", "f:in/top/img/z=Z"}
        << QStringList{"+in/top:/"}
        << QList<QByteArray>{"a.png=new A", "B.png=BB", "img/x.png=X", "img/y.jpg=Y", "img/z=Z"};
    QTest::newRow("names that need escaping")
        << theme << QList<QByteArray>{"f:in/n=N"}
        << QStringList{"+in/n:line\nbreak \"q\" \\ 图.png", "~B.png>\x1b[31m.png"}
        << QList<QByteArray>{"\x1b[31m.png=BB", "a.png=A", "line\nbreak \"q\" \\ 图.png=N",
                             "img/x.png=X", "img/y.jpg=Y"};
    QTest::newRow("a peer archive out of order, and its names as an unpack reads them")
        << QList<QByteArray>{"/z=Z", "//img/./b=B", "/a=A", "/C/c=C", "/img/=", "/B=BB"}
        << QList<QByteArray>{} << QStringList{"-z"}
        << QList<QByteArray>{"a=A", "B=BB", "C/c=C", "img/b=B"};
    QTest::newRow("duplicate names: the later one stays")
        << QList<QByteArray>{"/a=old", "/b=B", "/a=newer"} << QList<QByteArray>{}
        << QStringList{"-b"} << QList<QByteArray>{"a=newer"};
    QTest::newRow("large resources around a replaced one")
        << QList<QByteArray>{"/a=*300000", "/b=*3000000", "/c=*5", "/d=*2000000", "/e=E"}
        << QList<QByteArray>{"s:in/big=1500000"} << QStringList{"+in/big:c"}
        << QList<QByteArray>{"a=*300000", "b=*3000000", "c=0*1500000", "d=*2000000", "e=E"};
    QTest::newRow("everything removed")
        << theme << QList<QByteArray>{} << QStringList{"-*"} << QList<QByteArray>{};
}

void TestThemeEdit::editWritesWhatPackWrites()
{
    QFETCH(QList<QByteArray>, before);
    QFETCH(QList<QByteArray>, planted);
    QFETCH(QStringList, changes);
    QFETCH(QList<QByteArray>, after);
    writeFile(path("t.tsk"), archiveOf(before));
    for (const QByteArray &instruction : planted)
        QVERIFY(plant(QFile::encodeName(temp->path()), instruction));
    QDir().mkpath(path("after"));
    for (const QByteArray &file : after) {
        const qsizetype equals = file.indexOf('=');
        QVERIFY(writeFile(path("after/") + QString::fromUtf8(file.left(equals)),
                          contents(file.mid(equals + 1))));
    }
    ThemePacker packer;
    packer.folderPath = path("after");
    packer.themeName = QStringLiteral("t");
    packer.themeFilePath = path("expected.tsk");
    QVERIFY2(packer.pack(), qPrintable(packer.errorString));

    // Written again, it stays whose it was (root may give it to another), as it was allowed.
    const QByteArray archive = QFile::encodeName(path("t.tsk"));
    const uid_t owner = ::geteuid() == 0 ? 65534 : ::geteuid();
    QVERIFY(::chmod(archive.constData(), 0604) == 0
            && ::chown(archive.constData(), owner, -1) == 0);

    const JobOutcome outcome = edit(changes);
    QVERIFY2(!outcome.error.failed(), qPrintable(outcome.error.message));
    QCOMPARE(readFile(path("t.tsk")), readFile(path("expected.tsk")));
    struct stat edited;
    QVERIFY(::stat(archive.constData(), &edited) == 0);
    QCOMPARE(edited.st_mode & 0777, mode_t(0604));
    QCOMPARE(edited.st_uid, owner);
}

void TestThemeEdit::refusedEditLeavesArchive_data()
{
    QTest::addColumn<QStringList>("changes");
    QTest::addColumn<QList<QByteArray>>("planted");
    QTest::addColumn<int>("reports");  // progress reports answered before a cancel; -1: none
    QTest::addColumn<qint64>("limit"); // the file size limit; 0: none
    QTest::addColumn<ThemeFailure>("kind");
    QTest::addColumn<QString>("message"); // %1: the temporary folder
    const QList<QByteArray> none;
    const QString deep = QStringLiteral("d/").repeated(256) + QStringLiteral("x");

    QTest::newRow("a name that leads outside")
        << QStringList{"~a.png>img/../../x"} << none << -1 << qint64(0) << ThemeFailure::Unsafe
        << "The resource name would lead outside the folder it is unpacked into: img/../../x";
    QTest::newRow("a name deeper than the reader takes")
        << QStringList{"~a.png>" + deep} << none << -1 << qint64(0) << ThemeFailure::TooLarge
        << "The resource name holds more than 256 separators (\"/\" or \"\\\"), more than a theme file can hold: /"
               + deep;
    QTest::newRow("a name longer than the reader takes")
        << QStringList{"~a.png>" + QString(70000, QLatin1Char('L'))} << none << -1 << qint64(0)
        << ThemeFailure::TooLarge
        << "The resource name is longer than 64 KiB, more than a theme file can hold: /"
               + QString(79, QLatin1Char('L')) + QChar(0x2026);
    QTest::newRow("a hidden name, which a pack leaves out")
        << QStringList{"+in/b:img/.b"} << QList<QByteArray>{"f:in/b=b"} << -1 << qint64(0)
        << ThemeFailure::BadName
        << "The resource name starts with \".\", and a pack leaves such files out: img/.b";
    QTest::newRow("a name that matches nothing, after others that did")
        << QStringList{"-a.png", "-img/*.gif"} << none << -1 << qint64(0) << ThemeFailure::Missing
        << "The theme file holds nothing named: img/*.gif";
    QTest::newRow("a rename onto a folder that is there")
        << QStringList{"~a.png>img"} << none << -1 << qint64(0) << ThemeFailure::Conflict
        << "The theme file already holds a resource or folder named: img";
    QTest::newRow("a file where a folder is")
        << QStringList{"+in/b:img"} << QList<QByteArray>{"f:in/b=b"} << -1 << qint64(0)
        << ThemeFailure::Conflict
        << "The theme file would hold a resource and a folder of one name: /img";
    QTest::newRow("a FIFO, never waited on")
        << QStringList{"+in/fifo:f"} << QList<QByteArray>{"p:in/fifo"} << -1 << qint64(0)
        << ThemeFailure::Unreadable << "Can NOT read the resource file: %1/in/fifo";
    QTest::newRow("the archive into itself")
        << QStringList{"+t.tsk:t.tsk"} << none << -1 << qint64(0) << ThemeFailure::Conflict
        << "The theme file can NOT be added to itself: %1/t.tsk";
    QTest::newRow("cancelled before anything is copied")
        << QStringList{"-a.png"} << none << 0 << qint64(0) << ThemeFailure::Cancelled
        << "The editing was cancelled.";
    QTest::newRow("cancelled within the kernel's copy of what stays")
        << QStringList{"-a.png"} << none << 2 << qint64(0) << ThemeFailure::Cancelled
        << "The editing was cancelled.";
    QTest::newRow("past the file size limit")
        << QStringList{"+in/b:b"} << QList<QByteArray>{"f:in/b=b"} << -1 << qint64(5 << 20)
        << ThemeFailure::FileTooLarge << "Can NOT write the theme file.";
#ifndef VELMORO_PORTABLE_FILES
    QTest::newRow("while another edit holds the archive")
        << QStringList{"-a.png"} << QList<QByteArray>{"lock:t.tsk"} << -1 << qint64(0)
        << ThemeFailure::Busy
        << "The theme file is being edited by another run; try again once it is done.";
#endif
}

void TestThemeEdit::refusedEditLeavesArchive()
{
    QFETCH(QStringList, changes);
    QFETCH(QList<QByteArray>, planted);
    QFETCH(int, reports);
    QFETCH(qint64, limit);
    QFETCH(ThemeFailure, kind);
    QFETCH(QString, message);
    const QByteArray archive = archiveOf({"/a.png=A", "/img/x.png=X", "/large=0*10000000", "/z=Z"});
    writeFile(path("t.tsk"), archive);
    std::unique_ptr<QFile> held; // "lock:NAME": another edit's lock on it, held throughout
    for (const QByteArray &instruction : planted) {
        if (!instruction.startsWith("lock:")) {
            QVERIFY(plant(QFile::encodeName(temp->path()), instruction));
            continue;
        }
        held = std::make_unique<QFile>(path(QString::fromUtf8(instruction.mid(5))));
        QVERIFY(held->open(QIODevice::ReadOnly) && ::flock(held->handle(), LOCK_EX) == 0);
    }
    const QStringList before = listAll(temp->path());

    int answered = 0;
    std::function<bool()> goOn;
    if (reports >= 0)
        goOn = [&answered, reports] { return answered++ < reports; };
    JobOutcome outcome;
    {
        std::optional<FileSizeLimit> limited;
        if (limit)
            limited.emplace(limit);
        outcome = edit(changes, goOn);
    }
    QCOMPARE(outcome.error.kind, kind);
    QCOMPARE(QDir::fromNativeSeparators(outcome.error.message),
             message.replace(QLatin1String("%1"), temp->path()));
    QCOMPARE(readFile(path("t.tsk")), archive);
    QCOMPARE(listAll(temp->path()), before); // no temporary file left behind
}

void TestThemeEdit::comparesArchives_data()
{
    QTest::addColumn<QList<QByteArray>>("older");
    QTest::addColumn<QList<QByteArray>>("newer"); // empty: the older one cut short
    QTest::addColumn<QStringList>("differences"); // "change path oldSize newSize"
    QTest::addColumn<ThemeFailure>("kind");
    const QList<QByteArray> theme{"/a=A", "/img/b=*3000000", "/img/c=CC", "/d="};

    QTest::newRow("equal, in another order and with an overwritten duplicate")
        << theme << QList<QByteArray>{"/d=", "/img/c=old", "/img/b=*3000000", "/a=A", "//img/c=CC"}
        << QStringList{} << ThemeFailure::None;
    QTest::newRow("added, removed, resized and changed at one size")
        << theme << QList<QByteArray>{"/a=B", "/img/c=CCC", "/new=N", "/img/b=*2999999", "/d="}
        << QStringList{"changed a 1 1", "added new -1 1", "changed img/b 3000000 2999999",
                       "changed img/c 2 3"}
        << ThemeFailure::None;
    QTest::newRow("a large resource that differs in its last byte")
        << QList<QByteArray>{"/b=*3000001"} << QList<QByteArray>{"/b=" + contents("*3000000") + "!"}
        << QStringList{"changed b 3000001 3000001"} << ThemeFailure::None;
    QTest::newRow("damaged") << theme << QList<QByteArray>{} << QStringList{}
                             << ThemeFailure::Damaged;
}

void TestThemeEdit::comparesArchives()
{
    QFETCH(QList<QByteArray>, older);
    QFETCH(QList<QByteArray>, newer);
    QFETCH(QStringList, differences);
    QFETCH(ThemeFailure, kind);
    writeFile(path("old.tsk"), archiveOf(older));
    writeFile(path("new.tsk"), newer.isEmpty() ? archiveOf(older).chopped(1) : archiveOf(newer));
    QList<ResourceDifference> found;
    const ThemeError error = compareArchives(path("old.tsk"), path("new.tsk"), found);
    QCOMPARE(error.kind, kind);
    QStringList described;
    const char *words[] = {"added", "removed", "changed"};
    for (const ResourceDifference &difference : found)
        described.append(QStringLiteral("%1 %2 %3 %4")
                             .arg(QLatin1String(words[int(difference.change)]), difference.path)
                             .arg(difference.oldSize)
                             .arg(difference.newSize));
    QCOMPARE(described, differences);
}

QTEST_GUILESS_MAIN(TestThemeEdit)
#include "tst_themeedit.moc"
