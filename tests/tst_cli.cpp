#include "TestArchive.h"
#include "cli/Cli.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>

using namespace TestArchive;

class TestCli : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void packsWorkedExample();
    void packsIntoDirectoryAndListsJson();
    void unpacksAndPrintsFiles();
    void reportsEachFailedItem_data();
    void reportsEachFailedItem();
    void rejectsBadUsage_data();
    void rejectsBadUsage();
    void printsHelpAndVersion();

private:
    int run(const QStringList &arguments);
    QString path(const QString &name) const { return temp->filePath(name); }
    void makeDemoFolder();

    QScopedPointer<QTemporaryDir> temp;
    QString out;
    QString err;
};

void TestCli::init()
{
    temp.reset(new QTemporaryDir);
    QVERIFY(temp->isValid());
}

int TestCli::run(const QStringList &arguments)
{
    out.clear();
    err.clear();
    QTextStream outStream(&out);
    QTextStream errStream(&err);
    return runCli(QStringList{"velmoro-cli"} + arguments, outStream, errStream);
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
    QCOMPARE(out, QStringLiteral("/a.png\n/img/bg.jpg\n-> %1\n").arg(QDir::toNativeSeparators(path("named.tsk"))));
    QCOMPARE(readFile(path("named.tsk")), build("other", {{"/a.png", "0123456789"}, {"/img/bg.jpg", "abc"}}));
}

void TestCli::packsIntoDirectoryAndListsJson()
{
    makeDemoFolder();
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
    QCOMPARE(entries[1].toObject(), (QJsonObject{{"name", "/img/bg.jpg"}, {"offset", 102},
                                                 {"size", 3}, {"sizeText", "3 B"}}));
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
    QCOMPARE(listTree(path("out")), (QMap<QString, QByteArray>{
                                        {"demo/a.png", "0123456789"}, {"demo/img/bg.jpg", "abc"}, {"two/x", "x"}}));
    QCOMPARE(out.count(QLatin1Char('\n')), 3);

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

    QTest::newRow("list: damaged, hostile and missing")
        << QStringList{"list", "good.tsk", "cut.tsk", "hostile.tsk", "missing.tsk"}
        << QStringList{"cut.tsk: The theme file is damaged.",
                       "hostile.tsk: The theme file holds a name that leads outside the folder it is unpacked into.",
                       "missing.tsk: The specified theme file is NOT exists."};
    QTest::newRow("unpack: damaged and hostile write nothing")
        << QStringList{"unpack", "cut.tsk", "hostile.tsk", "-d", "out"}
        << QStringList{"cut.tsk: The theme file is damaged.",
                       "hostile.tsk: The theme file holds a name that leads outside the folder it is unpacked into."};
    QTest::newRow("pack: missing folder, then a good one")
        << QStringList{"pack", "nofolder", "good", "-d", "out"}
        << QStringList{"nofolder: The dir path is NOT validate."};
}

void TestCli::reportsEachFailedItem()
{
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, failures);
    writeFile(path("good.tsk"), demoArchive());
    writeFile(path("cut.tsk"), demoArchive().left(100));
    writeFile(path("hostile.tsk"), build("demo", {{"/../escaped", "x"}}));
    writeFile(path("good/a"), "a");
    QDir::setCurrent(temp->path());

    QCOMPARE(run(arguments), 1);
    QStringList expected;
    for (const QString &failure : failures)
        expected.append(QStringLiteral("velmoro-cli: ") + failure);
    QCOMPARE(err.split(QLatin1Char('\n'), Qt::SkipEmptyParts), expected);
    QVERIFY(!QFileInfo::exists(path("escaped")));
    if (arguments.first() == QLatin1String("unpack"))
        QCOMPARE(listAll(path("out")), QStringList());
    if (arguments.first() == QLatin1String("pack"))
        QVERIFY(QFileInfo::exists(path("out/good.tsk")));
}

void TestCli::rejectsBadUsage_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");
    QTest::newRow("no command") << QStringList{} << "no command given";
    QTest::newRow("unknown command") << QStringList{"zip", "x"} << "unknown command 'zip'";
    QTest::newRow("unknown option") << QStringList{"list", "--fast", "x"} << "Unknown option 'fast'.";
    QTest::newRow("option of another command") << QStringList{"list", "-d", "x", "y"} << "Unknown option 'd'.";
    QTest::newRow("nothing to pack") << QStringList{"pack"} << "nothing to pack";
    QTest::newRow("--name with two folders") << QStringList{"pack", "a", "b", "--name", "n"}
                                             << "--name and -o take one FOLDER only";
    QTest::newRow("-o with two folders") << QStringList{"pack", "a", "b", "-o", "x.tsk"}
                                         << "--name and -o take one FOLDER only";
    QTest::newRow("-o and -d") << QStringList{"pack", "a", "-o", "x.tsk", "-d", "d"}
                               << "-o and -d cannot be used together";
    QTest::newRow("missing option value") << QStringList{"unpack", "a.tsk", "-d"} << "Missing value after '-d'.";
    QTest::newRow("empty path") << QStringList{"unpack", ""} << "an empty path was given";
}

void TestCli::rejectsBadUsage()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);
    QDir::setCurrent(temp->path());
    QCOMPARE(run(arguments), 2);
    QVERIFY2(err.startsWith(QStringLiteral("velmoro-cli: ") + message + QLatin1Char('\n')), qPrintable(err));
    QCOMPARE(listAll(temp->path()), QStringList());
}

void TestCli::printsHelpAndVersion()
{
    QCOMPARE(run({"--version"}), 0);
    QCOMPARE(out, QStringLiteral("velmoro-cli 1.0.0\n"));
    QCOMPARE(run({"--help"}), 0);
    QVERIFY(out.contains(QLatin1String("pack FOLDER...")) && out.contains(QLatin1String("list [--json]")));
    QCOMPARE(run({"unpack", "--help"}), 0);
    QVERIFY(out.startsWith(QLatin1String("Usage: velmoro-cli unpack")));
}

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
