// SPDX-License-Identifier: MIT
#include "TestArchive.h"
#include "cli/Cli.h"

#include <QBuffer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>

#include <cerrno>
#include <csignal>
#include <functional>
#include <utility>
#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

using namespace TestArchive;

class TestCli : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void packsWorkedExample();
    void packsIntoDirectoryAndListsJson();
    void unpacksAndPrintsFiles();
    void reportsEachFailedItem_data();
    void reportsEachFailedItem();
    void rejectsBadUsage_data();
    void rejectsBadUsage();
    void printsHelpAndVersion();
    void refusesArgumentsThatAreNotUtf8();
    void extractsChosenResources_data();
    void extractsChosenResources();
    void catWritesBytesUnchanged();
    void editsAndComparesArchives_data();
    void editsAndComparesArchives();
    void listingEscapesWhatTerminalsObey();
    void failsWhenOutputCannotBeWritten_data();
    void failsWhenOutputCannotBeWritten();
    void stopsCleanlyOnSignals_data();
    void stopsCleanlyOnSignals();
    void failsCleanlyPastFileSizeLimit_data();
    void failsCleanlyPastFileSizeLimit();

private:
    int run(const QStringList &arguments);
    QString path(const QString &name) const { return temp->filePath(name); }
    void makeDemoFolder();
#ifdef Q_OS_UNIX
    // The built tool in the temporary folder, for what only a process shows:
    // `inChild` runs in it just before the tool starts (and may rearrange
    // its descriptors or change its folder).
    void startTool(QProcess &tool, const QStringList &arguments,
                   const std::function<void()> &inChild);
    bool killedWhileWriting(const QStringList &arguments, qint64 size);
#endif

    QScopedPointer<QTemporaryDir> temp;
    QString workingDir; // the tests may change it; the next one finds it as it was
    QByteArray outBytes;
    QString out;
    QString err;
};

void TestCli::init()
{
    workingDir = QDir::currentPath();
    temp.reset(new QTemporaryDir);
    QVERIFY(temp->isValid());
}

void TestCli::cleanup()
{
    QDir::setCurrent(workingDir);
}

int TestCli::run(const QStringList &arguments)
{
    QBuffer outBuffer;
    QBuffer errBuffer;
    outBuffer.open(QIODevice::WriteOnly);
    errBuffer.open(QIODevice::WriteOnly);
    const int status = runCli(QStringList{"velmoro-cli"} + arguments, {outBuffer, errBuffer});
    outBytes = outBuffer.data();
    out = QString::fromUtf8(outBytes);
    err = QString::fromUtf8(errBuffer.data());
    return status;
}

#ifdef Q_OS_UNIX
void TestCli::startTool(QProcess &tool, const QStringList &arguments,
                        const std::function<void()> &inChild)
{
    tool.setWorkingDirectory(temp->path());
    tool.setChildProcessModifier(inChild);
    tool.start(QStringLiteral(VELMORO_CLI), arguments);
    QVERIFY(tool.waitForStarted());
}
#endif

// Runs the tool and kills it once it has an output file of more than one
// byte and less than `size` open; true when it was caught so (a run that
// ends first is tried again, with x/t as it was).
bool TestCli::killedWhileWriting(const QStringList &arguments, qint64 size)
{
    for (int attempt = 0; attempt < 10; ++attempt) {
        QFile::remove(path("x/t/a"));
        writeFile(path("x/t/b"), "older b");
        QProcess tool;
        startTool(tool, arguments, [] {});
        const QString fds = QStringLiteral("/proc/%1/fd/").arg(tool.processId());
        bool caught = false;
        while (!caught && tool.state() == QProcess::Running) {
            for (const QString &fd : QDir(fds).entryList(QDir::System | QDir::Files)) {
                const QFileInfo open(fds + fd);
                caught = caught
                         || (open.symLinkTarget().contains("/x/t/") && open.size() > 1
                             && open.size() < size);
            }
            if (caught)
                ::kill(pid_t(tool.processId()), SIGKILL);
        }
        tool.waitForFinished();
        if (caught)
            return tool.exitStatus() == QProcess::CrashExit;
    }
    return false;
}

void TestCli::makeDemoFolder()
{
    writeFile(path("demo/a.png"), "0123456789");
    writeFile(path("demo/img/bg.jpg"), "abc");
}

void TestCli::packsWorkedExample()
{
    makeDemoFolder();
    QCOMPARE(run({"pack", path("demo")}), 0);
    QCOMPARE(err, QString());
    QCOMPARE(readFile(path("demo.tsk")), demoArchive());

    QCOMPARE(run({"pack", "-v", "--name", "other", "-o", path("named.tsk"), path("demo/")}), 0);
    QCOMPARE(out, QStringLiteral("/a.png\n/img/bg.jpg\n-> %1\n")
                      .arg(QDir::toNativeSeparators(path("named.tsk"))));
    QCOMPARE(readFile(path("named.tsk")),
             build("other", {{"/a.png", "0123456789"}, {"/img/bg.jpg", "abc"}}));
}

void TestCli::packsIntoDirectoryAndListsJson()
{
    makeDemoFolder();
    // A folder whose name cannot name an archive packs under a name that can.
    writeFile(path("a\\b/x"), "x");
    QCOMPARE(run({"pack", path("a\\b"), "--name", "ab", "-d", path("new/dir")}), 0);
    QCOMPARE(readFile(path("new/dir/ab.tsk")), build("ab", {{"/x", "x"}}));
    writeFile(path("blue/引号\"和\\.png"), "");
    QCOMPARE(run({"pack", path("demo"), path("blue"), "-d", path("new/dir")}), 0);
    QCOMPARE(readFile(path("new/dir/demo.tsk")), demoArchive());

    QCOMPARE(run({"list", "--json", path("new/dir/demo.tsk"), path("new/dir/blue.tsk")}), 0);
    const QStringList lines = out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 2);
    const QJsonObject demo = QJsonDocument::fromJson(lines[0].toUtf8()).object();
    QCOMPARE(demo.value("path").toString(), path("new/dir/demo.tsk"));
    QCOMPARE(demo.value("theme").toString(), QStringLiteral("demo"));
    QCOMPARE(demo.value("version").toString(), QStringLiteral("1.0.0"));
    const QJsonArray entries = demo.value("entries").toArray();
    QCOMPARE(entries.size(), 2);
    QCOMPARE(
        entries[1].toObject(),
        (QJsonObject{{"name", "/img/bg.jpg"}, {"offset", 102}, {"size", 3}, {"sizeText", "3 B"}}));
    QVERIFY(lines[0].startsWith(QLatin1String("{\"path\":"))); // documented key order
    const QJsonObject blue = QJsonDocument::fromJson(lines[1].toUtf8()).object();
    QCOMPARE(blue.value("entries").toArray()[0].toObject().value("name").toString(),
             QStringLiteral("/引号\"和\\.png"));

    QCOMPARE(run({"list", path("new/dir/demo.tsk")}), 0);
    QCOMPARE(out, QStringLiteral("Archive: %1\nTheme:   demo\nVersion: 1.0.0\n"
                                 "      10 B          10  /a.png\n"
                                 "       3 B           3  /img/bg.jpg\n")
                      .arg(QDir::toNativeSeparators(path("new/dir/demo.tsk"))));
}

void TestCli::unpacksAndPrintsFiles()
{
    writeFile(path("in/one.tsk"), demoArchive());
    writeFile(path("in/two.tsk"), build("two", {{"/x", "x"}}));
    QCOMPARE(run({"unpack", "-v", path("in/one.tsk"), path("in/two.tsk"), "-d", path("out")}), 0);
    QCOMPARE(listTree(path("out")),
             (QMap<QString, QByteArray>{
                 {"demo/a.png", "0123456789"}, {"demo/img/bg.jpg", "abc"}, {"two/x", "x"}}));
    QCOMPARE(out.count(QLatin1Char('\n')), 3);

    // Two archives of one theme name go into one folder, the later one's
    // files replacing the earlier one's: a base theme, then a patch.
    writeFile(path("in/patch.tsk"), build("demo", {{"/a.png", "patched"}, {"/new", "n"}}));
    QCOMPARE(run({"unpack", path("in/one.tsk"), path("in/patch.tsk"), "-d", path("merged")}), 0);
    QCOMPARE(listTree(path("merged")),
             (QMap<QString, QByteArray>{
                 {"demo/a.png", "patched"}, {"demo/img/bg.jpg", "abc"}, {"demo/new", "n"}}));

    // Without -d each archive lands beside itself.
    writeFile(path("elsewhere/three.tsk"), build("three", {{"/y", "y"}}));
    QCOMPARE(run({"unpack", path("in/one.tsk"), path("elsewhere/three.tsk")}), 0);
    QCOMPARE(readFile(path("in/demo/a.png")), QByteArray("0123456789"));
    QCOMPARE(readFile(path("elsewhere/three/y")), QByteArray("y"));
}

void TestCli::reportsEachFailedItem_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QStringList>("failures"); // "item: reason" per line
    QTest::addColumn<QStringList>("absent");   // paths that must not exist afterwards

    QTest::newRow("list: damaged, hostile and missing")
        << QStringList{"list", "good.tsk", "cut.tsk", "hostile.tsk", "missing.tsk"}
        << QStringList{"cut.tsk: The theme file is damaged.",
                       "hostile.tsk: The theme file holds a name that leads outside the folder it is unpacked into.",
                       "missing.tsk: The specified theme file is NOT exists."}
        << QStringList{"escaped"};
    QTest::newRow("unpack: damaged and hostile write nothing")
        << QStringList{"unpack", "cut.tsk", "hostile.tsk", "-d", "out"}
        << QStringList{"cut.tsk: The theme file is damaged.",
                       "hostile.tsk: The theme file holds a name that leads outside the folder it is unpacked into."}
        << QStringList{"escaped", "out/demo"};
    QTest::newRow("unpack: the system's reason follows the message")
        << QStringList{"unpack", "good.tsk", "-d", "blocked"}
        << QStringList{"good.tsk: Can NOT write 2 resource files, the first: blocked/demo/a.png (Not a directory)"}
        << QStringList{};
#ifdef Q_OS_UNIX
    QTest::newRow("unpack: into a new folder below one that may not be written")
        << QStringList{"unpack", "good.tsk", "-d", "locked/new"}
        << QStringList{"good.tsk: Can NOT write 2 resource files, the first: locked/new/demo/a.png (Permission denied)"}
        << QStringList{"locked/new"};
#endif
    QTest::newRow("pack: missing folder, then a good one")
        << QStringList{"pack", "nofolder", "good", "-d", "out"}
        << QStringList{"nofolder: The dir path is NOT validate."} << QStringList{};
    QTest::newRow("pack: a folder -d would need is not made for a failed pack")
        << QStringList{"pack", "nofolder", "-d", "made/deeper"}
        << QStringList{"nofolder: The dir path is NOT validate."} << QStringList{"made"};
    QTest::newRow("pack: two folders of one name into one -d")
        << QStringList{"pack", "first/theme", "second/theme", "-d", "out"}
        << QStringList{"second/theme: The theme file out/theme.tsk was already written in this run for "
                       "%1/first/theme."}
        << QStringList{};
    QTest::newRow("pack: a theme name that would move the archive")
        << QStringList{"pack", "good", "--name", "../up"}
        << QStringList{"good: The theme name can NOT be \".\" or \"..\", nor hold \"/\" or \"\\\": ../up"}
        << QStringList{"up.tsk", "../up.tsk"};
    QTest::newRow("pack: a folder name that cannot name the archive, and no --name")
        << QStringList{"pack", "a\\b"}
        << QStringList{"a\\b: The theme name can NOT be \".\" or \"..\", nor hold \"/\" or \"\\\": a\\b"}
        << QStringList{"a\\b.tsk"};
    QTest::newRow("pack: -d in a folder that may not be written")
        << QStringList{"pack", "good", "-d", "locked/new"}
        << QStringList{"good: The theme file saved path is NOT validate. (Permission denied)"}
        << QStringList{"locked/new"};
    QTest::newRow("extract: a name that matches nothing")
        << QStringList{"extract", "good.tsk", "img", "nothing*", "-d", "out"}
        << QStringList{"good.tsk: The theme file holds nothing named: nothing*"}
        << QStringList{"out/demo/a.png"};
    QTest::newRow("extract: names that are not UTF-8 fail, not vanish")
        << QStringList{"extract", "odd.tsk", "*", "-d", "out"}
        << QStringList{"odd.tsk: Can NOT write the resource file: out/odd/bad\\377 (The name is not valid UTF-8)"}
        << QStringList{};
    QTest::newRow("cat: no such resource")
        << QStringList{"cat", "good.tsk", "img"}
        << QStringList{"good.tsk: The theme file holds no resource named: img"} << QStringList{};
    QTest::newRow("rm: a name that matches nothing leaves the archive as it was")
        << QStringList{"rm", "good.tsk", "img", "nothing*", "no"}
        << QStringList{"good.tsk: The theme file holds nothing named: nothing*",
                       "good.tsk: The theme file holds nothing named: no"}
        << QStringList{};
    QTest::newRow("add: a file that is not there")
        << QStringList{"add", "good.tsk", "good/a", "missing.png"}
        << QStringList{"good.tsk: Can NOT read the resource file: missing.png (No such file or directory)"}
        << QStringList{};
    QTest::newRow("mv: onto a resource that is there")
        << QStringList{"mv", "good.tsk", "a.png", "/img/bg.jpg"}
        << QStringList{"good.tsk: The theme file already holds a resource or folder named: /img/bg.jpg"}
        << QStringList{};
    QTest::newRow("rm: in a folder that may not be written")
        << QStringList{"rm", "locked/t.tsk", "a.png"}
        << QStringList{"locked/t.tsk: The theme file saved path is NOT validate. (Permission denied)"}
        << QStringList{};
    QTest::newRow("diff: a damaged archive is trouble")
        << QStringList{"diff", "good.tsk", "cut.tsk"}
        << QStringList{"cut.tsk: The theme file is damaged."} << QStringList{};
    QTest::newRow("diff: a missing archive is trouble")
        << QStringList{"diff", "missing.tsk", "good.tsk"}
        << QStringList{"missing.tsk: The specified theme file is NOT exists."} << QStringList{};
}

void TestCli::reportsEachFailedItem()
{
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, failures);
    QFETCH(QStringList, absent);
    writeFile(path("good.tsk"), demoArchive());
    writeFile(path("cut.tsk"), demoArchive().left(100));
    writeFile(path("hostile.tsk"), build("demo", {{"/../escaped", "x"}}));
    writeFile(path("again.tsk"), build("demo", {{"/other", "x"}}));
    writeFile(path("odd.tsk"), build("odd", {{"/bad\xff", "x"}, {"/good", "g"}}));
    writeFile(path("good/a"), "a");
    writeFile(path("first/theme/a"), "1");
    writeFile(path("second/theme/b"), "2");
    writeFile(path("blocked/demo"), "a file where the theme folder would go");
    writeFile(path("a\\b/a"), "a");
    writeFile(path("locked/t.tsk"), demoArchive());
    QFile::setPermissions(path("locked"), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    QDir::setCurrent(temp->path());

    int status = 0;
    {
        const FilePermissionsEnforced asAnyUser;
        status = run(arguments);
    }
    QFile::setPermissions(path("locked"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QCOMPARE(status, arguments.first() == QLatin1String("diff") ? 2 : 1); // diff: trouble
    QStringList expected;
    for (const QString &failure : failures)
        expected.append(QStringLiteral("velmoro-cli: ")
                        + (failure.contains(QLatin1String("%1"))
                               ? failure.arg(QDir::toNativeSeparators(temp->path()))
                               : failure));
    QCOMPARE(err.split(QLatin1Char('\n'), Qt::SkipEmptyParts), expected);
    for (const QString &name : absent)
        QVERIFY2(!QFileInfo::exists(path(name)), qPrintable(name));
    QCOMPARE(readFile(path("good.tsk")), demoArchive()); // a failed edit leaves it as it was
    QCOMPARE(readFile(path("locked/t.tsk")), demoArchive());
    if (arguments.first() == QLatin1String("pack") && arguments.contains(QLatin1String("out")))
        QVERIFY(QFileInfo::exists(path("out/good.tsk"))
                || QFileInfo::exists(path("out/theme.tsk")));
    if (arguments.contains(QLatin1String("good.tsk"))
        && arguments.first() == QLatin1String("extract"))
        QCOMPARE(listAll(path("out/demo")), (QStringList{"img", "img/bg.jpg"}));
}

void TestCli::rejectsBadUsage_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");
    QTest::newRow("no command") << QStringList{} << "no command given";
    QTest::newRow("unknown command") << QStringList{"zip", "x"} << "unknown command 'zip'";
    QTest::newRow("unknown option")
        << QStringList{"list", "--fast", "x"} << "Unknown option 'fast'.";
    QTest::newRow("option of another command")
        << QStringList{"list", "-d", "x", "y"} << "Unknown option 'd'.";
    QTest::newRow("nothing to pack") << QStringList{"pack"} << "nothing to pack";
    QTest::newRow("--name with two folders")
        << QStringList{"pack", "a", "b", "--name", "n"} << "--name and -o take one FOLDER only";
    QTest::newRow("-o with two folders")
        << QStringList{"pack", "a", "b", "-o", "x.tsk"} << "--name and -o take one FOLDER only";
    QTest::newRow("-o and -d") << QStringList{"pack", "a", "-o", "x.tsk", "-d", "d"}
                               << "-o and -d cannot be used together";
    QTest::newRow("missing option value")
        << QStringList{"unpack", "a.tsk", "-d"} << "Missing value after '-d'.";
    QTest::newRow("empty path") << QStringList{"unpack", ""} << "an empty path was given";
    // An unset shell variable: never "not given", which would write beside the source.
    QTest::newRow("empty theme name")
        << QStringList{"pack", "a", "--name", ""} << "--name needs a theme name";
    QTest::newRow("theme name of spaces")
        << QStringList{"pack", "a", "--name", "  "} << "--name needs a theme name";
    QTest::newRow("empty -d") << QStringList{"unpack", "a.tsk", "-d", ""} << "-d needs a folder";
    QTest::newRow("empty -o") << QStringList{"pack", "a", "-o", " "} << "-o needs a file name";
    QTest::newRow("extract without a name")
        << QStringList{"extract", "a.tsk"} << "an archive and at least one NAME are needed";
    QTest::newRow("cat with two names")
        << QStringList{"cat", "a.tsk", "x", "y"} << "an archive and one NAME are needed";
    QTest::newRow("-d twice") << QStringList{"unpack", "a.tsk", "-d", "x", "-d", "y"}
                              << "'d' was given more than once";
    QTest::newRow("add without a path")
        << QStringList{"add", "a.tsk"} << "an archive and at least one PATH are needed";
    QTest::newRow("empty --at") << QStringList{"add", "a.tsk", "x", "--at", ""}
                                << "--at needs a folder (\"/\" for the top)";
    QTest::newRow("mv without a new name")
        << QStringList{"mv", "a.tsk", "x"} << "an archive, OLD and NEW are needed";
    QTest::newRow("diff of three")
        << QStringList{"diff", "a", "b", "c"} << "two archives are needed";
}

void TestCli::rejectsBadUsage()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);
    QDir::setCurrent(temp->path());
    QCOMPARE(run(arguments), 2);
    QVERIFY2(err.startsWith(QStringLiteral("velmoro-cli: ") + message + QLatin1Char('\n')),
             qPrintable(err));
    QCOMPARE(listAll(temp->path()), QStringList());
}

void TestCli::printsHelpAndVersion()
{
    QCOMPARE(run({"--version"}), 0);
    QCOMPARE(out, QStringLiteral("velmoro-cli 1.0.0\n"));
    QCOMPARE(run({"--help"}), 0);
    QVERIFY(out.contains(QLatin1String("pack FOLDER..."))
            && out.contains(QLatin1String("list [--json]")));
    QCOMPARE(run({"unpack", "--help"}), 0);
    QVERIFY(out.startsWith(QLatin1String("Usage: velmoro-cli unpack")));
}

void TestCli::refusesArgumentsThatAreNotUtf8()
{
    QBuffer errBuffer;
    errBuffer.open(QIODevice::WriteOnly);
    QCOMPARE(checkArgumentBytes({"unpack", "r\xe9sum\xe9.tsk"}, errBuffer),
             2); // Latin-1, changed by any decoding
    QVERIFY2(errBuffer.data().startsWith(
                 "velmoro-cli: an argument is not valid UTF-8: r\\351sum\\351.tsk\n"),
             errBuffer.data().constData());
    QCOMPARE(checkArgumentBytes({"unpack", "简历.tsk"}, errBuffer), 0);
#ifdef Q_OS_UNIX
    // Nor the current folder: as text it is "X\uFFFD", a sibling the unpack
    // would create and fill.
    const QByteArray folder = QFile::encodeName(temp->path()) + "/X\xff";
    const QByteArray archive = folder + "/demo.tsk";
    writeFile(path("demo.tsk"), demoArchive());
    QVERIFY(::mkdir(folder, 0700) == 0
            && ::rename(QFile::encodeName(path("demo.tsk")), archive) == 0);
    QProcess tool;
    startTool(tool, {"unpack", "demo.tsk"}, [folder] {
        if (::chdir(folder.constData()) != 0)
            ::_exit(127);
    });
    QVERIFY(tool.waitForFinished());
    const QByteArray errors = tool.readAllStandardError();
    const bool sibling = QFileInfo::exists(path(QStringLiteral("X\uFFFD")));
    ::unlink(archive); // Qt can name neither, nor remove them with the rest
    ::rmdir(folder);
    QCOMPARE(tool.exitCode(), 2);
    QCOMPARE(errors, "velmoro-cli: the current folder is not valid UTF-8: "
                         + QFile::encodeName(temp->path()) + "/X\\377\n");
    QVERIFY(!sibling);
#endif
}

void TestCli::extractsChosenResources_data()
{
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QStringList>("files"); // below out/t afterwards

    QTest::newRow("a resource by its path")
        << QStringList{"img/bg.jpg"} << QStringList{"img/bg.jpg"};
    QTest::newRow("with a leading slash") << QStringList{"/a.png"} << QStringList{"a.png"};
    QTest::newRow("a folder takes everything below it")
        << QStringList{"img"} << QStringList{"img/bg.jpg", "img/icons/x.png"};
    QTest::newRow("* does not cross /") << QStringList{"*.png"} << QStringList{"a.png", "d.png"};
    QTest::newRow("a name stored with an empty component")
        << QStringList{"d.png"} << QStringList{"d.png"};
    QTest::newRow("* inside a folder")
        << QStringList{"img/*"} << QStringList{"img/bg.jpg", "img/icons/x.png"};
    QTest::newRow("? stands for one character") << QStringList{"?.png", "img/icons/?.png"}
                                                << QStringList{"a.png", "d.png", "img/icons/x.png"};
    QTest::newRow("overlapping names write each resource once")
        << QStringList{"img", "img/bg.jpg", "*"}
        << QStringList{"a.png", "d.png", "img/bg.jpg", "img/icons/x.png", "readme.txt"};
}

void TestCli::extractsChosenResources()
{
    QFETCH(QStringList, names);
    QFETCH(QStringList, files);
    writeFile(path("t.tsk"), build("t", {{"/a.png", "A"},
                                         {"/img/bg.jpg", "B"},
                                         {"/img/icons/x.png", "X"},
                                         {"/readme.txt", "R"},
                                         {"//d.png", "D"}}));
    QCOMPARE(
        run(QStringList{"extract", "-v", path("t.tsk")} + names + QStringList{"-d", path("out")}),
        0);
    QCOMPARE(listTree(path("out/t")).keys(), files);
    QCOMPARE(out.count(QLatin1Char('\n')), files.size()); // -v: one line per file written
}

void TestCli::catWritesBytesUnchanged()
{
    QByteArray binary(300000, Qt::Uninitialized); // beyond one copy chunk, every byte value
    for (int i = 0; i < binary.size(); ++i)
        binary[i] = char(i * 31);
    writeFile(
        path("t.tsk"),
        build("t", {{"/bin/data.bin", binary}, {"/bin/data.bin", "later copy"}, {"/x", "x"}}));
    QCOMPARE(run({"cat", path("t.tsk"), "bin/data.bin"}), 0);
    QCOMPARE(outBytes, QByteArray("later copy")); // what an unpack leaves
    writeFile(path("u.tsk"), build("u", {{"/data.bin", binary}}));
    QCOMPARE(run({"cat", path("u.tsk"), "/data.bin"}), 0);
    QCOMPARE(outBytes, binary);
    QCOMPARE(err, QString());
}

void TestCli::editsAndComparesArchives_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("output");
    QTest::addColumn<QList<Entry>>("after"); // t.tsk's entries afterwards
    const Entry a{"/a.png", "0123456789"};
    const Entry bg{"/img/bg.jpg", "abc"};

    QTest::newRow("add a file and a folder into a folder of the theme")
        << QStringList{"add", "t.tsk", "new.png", "skin/", "--at", "img"} << 0 << QString()
        << QList<Entry>{a, bg, {"/img/new.png", "N"}, {"/img/skin/c.png", "C"}};
    QTest::newRow("add -v prints each resource as it is written")
        << QStringList{"add", "-v", "t.tsk", "new.png"} << 0
        << QStringLiteral("/a.png\n/new.png\n/img/bg.jpg\n")
        << QList<Entry>{a, {"/new.png", "N"}, bg};
    QTest::newRow("rm by a wildcard")
        << QStringList{"rm", "t.tsk", "*.png"} << 0 << QString() << QList<Entry>{bg};
    QTest::newRow("mv a folder") << QStringList{"mv", "t.tsk", "img", "pics"} << 0 << QString()
                                 << QList<Entry>{a, {"/pics/bg.jpg", "abc"}};
    QTest::newRow("diff of equal archives")
        << QStringList{"diff", "t.tsk", "same.tsk"} << 0 << QString() << QList<Entry>{a, bg};
    QTest::newRow("diff of archives that differ")
        << QStringList{"diff", "t.tsk", "other.tsk"} << 1
        << QStringLiteral("changed       10 B         4 B  /a.png\n"
                          "added            -         1 B  /n\\\\n\n"
                          "removed        3 B           -  /img/bg.jpg\n")
        << QList<Entry>{a, bg};
    QTest::newRow("diff --json")
        << QStringList{"diff", "--json", "t.tsk", "other.tsk"} << 1
        << QStringLiteral(
               R"({"a":"t.tsk","b":"other.tsk","entries":[)"
               R"({"name":"/a.png","change":"changed","sizeA":10,"sizeTextA":"10 B","sizeB":4,"sizeTextB":"4 B"},)"
               R"({"name":"/n\\n","change":"added","sizeB":1,"sizeTextB":"1 B"},)"
               R"({"name":"/img/bg.jpg","change":"removed","sizeA":3,"sizeTextA":"3 B"}]})"
               "\n")
        << QList<Entry>{a, bg};
}

void TestCli::editsAndComparesArchives()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, output);
    QFETCH(QList<Entry>, after);
    writeFile(path("t.tsk"), demoArchive());
    writeFile(path("same.tsk"), build("demo", {{"/img/bg.jpg", "abc"}, {"/a.png", "0123456789"}}));
    writeFile(path("other.tsk"), build("other", {{"/a.png", "AAAA"}, {"/n\\n", "n"}}));
    writeFile(path("new.png"), "N");
    writeFile(path("skin/c.png"), "C");
    writeFile(path("skin/.hidden"), "H");
    QDir::setCurrent(temp->path());
    QCOMPARE(run(arguments), status);
    QCOMPARE(err, QString());
    QCOMPARE(out, output);
    QCOMPARE(readFile(path("t.tsk")), build("demo", after));
}

// Names are text from strangers: what a terminal would act on is shown
// escaped, so a name can neither repaint the screen nor forge a line.
void TestCli::listingEscapesWhatTerminalsObey()
{
    writeFile(path("t.tsk"), build("evil\x1b]0;owned\x07", {{"/bell\x07.png", ""},
                                                            {"/x\nVersion: 9.9.9", ""},
                                                            {"/back\\slash", ""},
                                                            {"/csi\xc2\x9b"
                                                             "2J",
                                                             ""},
                                                            {"/bad\xff\xfe.png", ""},
                                                            {"/line\u2028para\u2029", ""},
                                                            {"/\xe5\x9b\xbe.png", ""}}));
    QCOMPARE(run({"list", path("t.tsk")}), 0);
    QCOMPARE(out.section(QLatin1Char('\n'), 1),
             QStringLiteral("Theme:   evil\\033]0;owned\\a\n"
                            "Version: 1.0.0\n"
                            "       0 B           0  /bell\\a.png\n"
                            "       0 B           0  /x\\nVersion: 9.9.9\n"
                            "       0 B           0  /back\\\\slash\n"
                            "       0 B           0  /csi\\302\\2332J\n"
                            "       0 B           0  /bad\\377\\376.png\n"
                            "       0 B           0  /line\\342\\200\\250para\\342\\200\\251\n"
                            "       0 B           0  /图.png\n"));
    QCOMPARE(run({"list", "--json", path("t.tsk")}), 0); // JSON escapes by its own rules
    const QJsonObject listed = QJsonDocument::fromJson(outBytes).object();
    QCOMPARE(listed.value("theme").toString(), QStringLiteral("evil\x1b]0;owned\x07"));
    QCOMPARE(listed.value("entries").toArray()[1].toObject().value("name").toString(),
             QStringLiteral("/x\nVersion: 9.9.9"));
}

void TestCli::failsWhenOutputCannotBeWritten_data()
{
    QTest::addColumn<QStringList>("arguments");
    // The system's reason, which tells how the output fails: a full disk
    // (/dev/full, in-process); the built tool started with standard output
    // closed (>&-); or writing into a pipe whose reader went away (| head -c1).
    QTest::addColumn<QByteArray>("reason");
    const QByteArray full = "No space left on device";
    QTest::newRow("list") << QStringList{"list", "t.tsk"} << full;
    QTest::newRow("list --json") << QStringList{"list", "--json", "t.tsk"} << full;
    QTest::newRow("cat") << QStringList{"cat", "t.tsk", "a"} << full;
    QTest::newRow("--help") << QStringList{"--help"} << full;
    QTest::newRow("--version") << QStringList{"--version"} << full;
    QTest::newRow("unpack --help") << QStringList{"unpack", "--help"} << full;
#ifdef Q_OS_UNIX
    const QByteArray closed = "Bad file descriptor";
    QTest::newRow("cat, output closed") << QStringList{"cat", "t.tsk", "a"} << closed;
    QTest::newRow("list, output closed") << QStringList{"list", "t.tsk"} << closed;
    QTest::newRow("cat, reader gone")
        << QStringList{"cat", "t.tsk", "a"} << QByteArray("Broken pipe");
#endif
}

void TestCli::failsWhenOutputCannotBeWritten()
{
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, reason);
    const int status = reason == "Broken pipe" ? 128 + SIGPIPE : 1; // stopped as SIGPIPE would
    writeFile(path("t.tsk"), build("t", {{"/a", QByteArray(100000, 'a')}}));
    QByteArray errors;
    if (reason == "No space left on device") {
        QFile full(QStringLiteral("/dev/full"));
        if (!full.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            QSKIP("no /dev/full here");
        QDir::setCurrent(temp->path());
        QBuffer errBuffer;
        errBuffer.open(QIODevice::WriteOnly);
        QCOMPARE(runCli(QStringList{"velmoro-cli"} + arguments, {full, errBuffer}), status);
        errors = errBuffer.data();
    } else {
#ifdef Q_OS_UNIX
        int pipeEnds[2];
        QVERIFY(::pipe2(pipeEnds, O_CLOEXEC) == 0);
        ::close(pipeEnds[0]); // read by nobody
        QProcess tool;
        startTool(tool, arguments, [reason, pipeEnds] {
            if (reason == "Bad file descriptor")
                ::close(STDOUT_FILENO);
            else
                ::dup2(pipeEnds[1], STDOUT_FILENO);
        });
        ::close(pipeEnds[1]);
        QVERIFY(tool.waitForFinished());
        QCOMPARE(tool.exitStatus(), QProcess::NormalExit);
        QCOMPARE(tool.exitCode(), status);
        errors = tool.readAllStandardError();
#endif
    }
    QCOMPARE(errors, "velmoro-cli: standard output: Can NOT write the output. (" + reason + ")\n");
}

#ifdef Q_OS_UNIX
// Standard output that raises a signal once the first line of -v arrives,
// as a user pressing Ctrl+C (or a SIGTERM) while the work goes on.
class SignallingDevice : public QBuffer
{
public:
    explicit SignallingDevice(int raised) : signal(raised) { open(QIODevice::WriteOnly); }

protected:
    qint64 writeData(const char *data, qint64 length) override
    {
        if (signal == SIGPIPE) { // the reader went away: the write fails, nothing is raised
            errno = EPIPE;
            return -1;
        }
        if (signal && QByteArray(data, int(length)).contains('\n'))
            std::raise(std::exchange(signal, 0));
        return QBuffer::writeData(data, length);
    }

private:
    int signal;
};
#endif

void TestCli::stopsCleanlyOnSignals_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("signal");
    QTest::addColumn<QStringList>("left"); // everything below the temporary folder afterwards
#ifdef Q_OS_UNIX
    const QStringList given{"in", "in/a", "in/b", "in/c", "out", "out/t.tsk", "t.tsk"};
    const QStringList untouched = given + QStringList{"x", "x/t", "x/t/b"};
    QTest::newRow("Ctrl+C while unpacking")
        << QStringList{"unpack", "-v", "t.tsk", "-d", "x"} << SIGINT
        << given + QStringList{"x", "x/t", "x/t/a", "x/t/b"};
    QTest::newRow("SIGTERM while packing")
        << QStringList{"pack", "-v", "in", "-o", "out/t.tsk"} << SIGTERM << given;
    QTest::newRow("Ctrl+C while extracting")
        << QStringList{"extract", "-v", "t.tsk", "*", "-d", "x"} << SIGINT
        << given + QStringList{"x", "x/t", "x/t/a", "x/t/b"};
    QTest::newRow("terminal closed while unpacking")
        << QStringList{"unpack", "-v", "t.tsk", "-d", "x"} << SIGHUP
        << given + QStringList{"x", "x/t", "x/t/a", "x/t/b"};
    QTest::newRow("reader of the output gone while unpacking")
        << QStringList{"unpack", "-v", "t.tsk", "-d", "x"} << SIGPIPE
        << given + QStringList{"x", "x/t", "x/t/a", "x/t/b"};
    QTest::newRow("Ctrl+C while unpacking empty files")
        << QStringList{"unpack", "-v", "empty.tsk", "-d", "x"} << SIGINT
        << given + QStringList{"empty.tsk", "x", "x/e", "x/e/0", "x/t", "x/t/b"};
    QTest::newRow("Ctrl+C while cat waits on its reader")
        << QStringList{"cat", "t.tsk", "b"} << SIGINT << untouched;
    QTest::newRow("SIGTERM while list waits on its reader")
        << QStringList{"list", "many.tsk"} << SIGTERM << untouched + QStringList{"many.tsk"};
    QTest::newRow("terminal closed while cat waits on its reader")
        << QStringList{"cat", "t.tsk", "b"} << SIGHUP << untouched;
    QTest::newRow("killed while unpacking") // no partial file is left under any name
        << QStringList{"unpack", "t.tsk", "-d", "x"} << SIGKILL
        << given + QStringList{"x", "x/t", "x/t/a", "x/t/b"};
    QTest::newRow("Ctrl+C while adding")
        << QStringList{"add", "-v", "t.tsk", "in/a", "--at", "x"} << SIGINT << untouched;
#endif
}

void TestCli::stopsCleanlyOnSignals()
{
#ifndef Q_OS_UNIX
    QSKIP("POSIX signals");
#else
    QFETCH(QStringList, arguments);
    QFETCH(int, signal);
    QFETCH(QStringList, left);
#ifdef VELMORO_PORTABLE_FILES
    if (signal == SIGKILL)
        QSKIP("the portable file code names a file before it is whole; only a kill finds it so");
#endif
    // cat and list: the built tool writes into a pipe nobody reads, and waits, when it comes.
    const bool waitingOnOutput = arguments.first() == "cat" || arguments.first() == "list";
    // b is older there: the copy of it in the archive is the one being written when the signal
    // comes.
    writeFile(path("x/t/b"), "older b");
    // Killed, the tool gets no say: it is caught while it writes b, which takes long enough.
    const QByteArray large((signal == SIGKILL ? 64 : 20) << 20, 'L');
    const QByteArray archive = build("t", {{"/a", "A"}, {"/b", large}, {"/c", "C"}});
    writeFile(path("t.tsk"), archive);
    writeFile(path("in/a"), "A");
    writeFile(path("in/b"), large);
    writeFile(path("in/c"), "C");
    writeFile(path("out/t.tsk"), "the archive packed yesterday");
    QList<Entry> empty;
    for (int i = 0; i < 50; ++i)
        empty.append({"/" + QByteArray::number(i), ""});
    if (arguments.contains(QLatin1String("empty.tsk")))
        writeFile(path("empty.tsk"), build("e", empty));
    if (arguments.contains(QLatin1String("many.tsk"))) {
        QList<Entry> many; // a listing longer than a pipe holds
        for (int i = 0; i < 5000; ++i)
            many.append({"/resource-" + QByteArray::number(i), ""});
        writeFile(path("many.tsk"), build("m", many));
    }
    QDir::setCurrent(temp->path());
    if (arguments.first() == QLatin1String("pack"))
        QDir(path("x")).removeRecursively();

    if (signal == SIGKILL) {
        QVERIFY(killedWhileWriting(arguments, large.size()));
    } else if (waitingOnOutput) {
        int pipeEnds[2];
        QVERIFY(::pipe2(pipeEnds, O_CLOEXEC) == 0);
        QProcess tool;
        startTool(tool, arguments, [pipeEnds] { ::dup2(pipeEnds[1], STDOUT_FILENO); });
        ::close(pipeEnds[1]);
        int capacity = 1;
#ifdef F_GETPIPE_SZ
        capacity = ::fcntl(pipeEnds[0], F_GETPIPE_SZ);
#endif
        int held = 0; // once the pipe is full, the tool waits in a write
        QTRY_VERIFY_WITH_TIMEOUT(::ioctl(pipeEnds[0], FIONREAD, &held) == 0 && held >= capacity,
                                 10000);
        ::kill(pid_t(tool.processId()), signal);
        const bool finished = tool.waitForFinished(10000);
        ::close(pipeEnds[0]); // a tool still waiting would end now, and fail what follows
        QVERIFY(finished);
        QCOMPARE(tool.exitStatus(), QProcess::NormalExit);
        QCOMPARE(tool.exitCode(), 128 + signal);
    } else {
        SignallingDevice outDevice(signal);
        QBuffer errBuffer;
        errBuffer.open(QIODevice::WriteOnly);
        QCOMPARE(runCli(QStringList{"velmoro-cli"} + arguments, {outDevice, errBuffer}),
                 128 + signal);
    }
    left.sort();
    QCOMPARE(listAll(temp->path()), left); // no temporary file anywhere
    QCOMPARE(readFile(path("out/t.tsk")), QByteArray("the archive packed yesterday"));
    QCOMPARE(readFile(path("t.tsk")), archive);
    if (arguments.first() != QLatin1String("pack"))
        QCOMPARE(readFile(path("x/t/b")), QByteArray("older b"));
#endif
}

void TestCli::failsCleanlyPastFileSizeLimit_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QStringList>("left"); // everything below the temporary folder afterwards
    const QStringList given{"in", "in/big", "out", "out/t.tsk", "t.tsk", "x", "x/t", "x/t/big"};
    QTest::newRow("unpack") << QStringList{"unpack", "t.tsk", "-d", "x"}
                            << given + QStringList{"x/t/small"};
    QTest::newRow("pack") << QStringList{"pack", "in", "-o", "out/t.tsk"} << given;
    QTest::newRow("add") << QStringList{"add", "t.tsk", "in/big", "--at", "more"} << given;
}

// The signal a write past the file size limit raises would kill the process
// in the middle of a file and leave its temporary file behind; the run must
// fail that file instead, with the system's reason.
void TestCli::failsCleanlyPastFileSizeLimit()
{
#ifndef Q_OS_UNIX
    QSKIP("file size limits as POSIX systems set them");
#else
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, left);
    const QByteArray big(800000, 'B');
    const QByteArray archive = build("t", {{"/big", big}, {"/small", "s"}});
    writeFile(path("t.tsk"), archive);
    writeFile(path("x/t/big"), "older big");
    writeFile(path("in/big"), big);
    writeFile(path("out/t.tsk"), "the archive packed yesterday");
    QDir::setCurrent(temp->path());
    rlimit before = {};
    QVERIFY(::getrlimit(RLIMIT_FSIZE, &before) == 0);
    rlimit limited = before;
    limited.rlim_cur = 500000;
    QVERIFY(::setrlimit(RLIMIT_FSIZE, &limited) == 0);
    const int status = run(arguments);
    ::setrlimit(RLIMIT_FSIZE, &before);
    QCOMPARE(status, 1);
    QVERIFY2(err.contains(QLatin1String("(File too large)")), qPrintable(err));
    left.sort();
    QCOMPARE(listAll(temp->path()), left); // no temporary file anywhere
    QCOMPARE(readFile(path("x/t/big")), QByteArray("older big"));
    QCOMPARE(readFile(path("out/t.tsk")), QByteArray("the archive packed yesterday"));
    QCOMPARE(readFile(path("t.tsk")), archive);
#endif
}

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
