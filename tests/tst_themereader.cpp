// SPDX-License-Identifier: MIT
#include "TestArchive.h"
#include "archive/ThemePacker.h"
#include "archive/ThemeReader.h"

#include <QBuffer>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#endif

using namespace TestArchive;

Q_DECLARE_METATYPE(ThemeEntryList)

namespace {
const QString damaged = QStringLiteral("The theme file is damaged.");
const QString noTag = QStringLiteral("Can NOT find the VLMR tag.");
const QString unsafe = QStringLiteral(
    "The theme file holds a name that leads outside the folder it is unpacked into.");
} // namespace

class TestThemeReader : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void readsIndex_data();
    void readsIndex();
    void refusesNonArchives_data();
    void refusesNonArchives();
    void keepsOldErrorAfterSuccess();

    void refusesDamagedArchives_data();
    void refusesDamagedArchives();
    void refusesEveryTruncation_data();
    void refusesEveryTruncation();
    void refusesHostileNames_data();
    void refusesHostileNames();

    void extractsWorkedExample_data();
    void extractsWorkedExample();
    void extractsEdgeCases_data();
    void extractsEdgeCases();
    void extractsEmptyArchive();
    void replacesExistingFiles();
    void reportsUnwritableEntries_data();
    void reportsUnwritableEntries();
    void reusedReaderKeepsFallbackFolder();
    void failsBeforeWritingAnything_data();
    void failsBeforeWritingAnything();
    void roundTripsVariedTree();
    void reportsProgressAndCancels_data();
    void reportsProgressAndCancels();
    void writesNothingThroughWhatIsInTheWay_data();
    void writesNothingThroughWhatIsInTheWay();
    void keepsOlderCopiesWhenTheDiskFills_data();
    void keepsOlderCopiesWhenTheDiskFills();

private:
    QString put(const QString &name, const QByteArray &bytes);
    QScopedPointer<QTemporaryDir> temp;
};

void TestThemeReader::init()
{
    temp.reset(new QTemporaryDir);
    QVERIFY(temp->isValid());
}

QString TestThemeReader::put(const QString &name, const QByteArray &bytes)
{
    const QString path = temp->filePath(name);
    writeFile(path, bytes);
    return path;
}

void TestThemeReader::readsIndex_data()
{
    QTest::addColumn<QByteArray>("archive");
    QTest::addColumn<QString>("theme");
    QTest::addColumn<QString>("version");
    QTest::addColumn<ThemeEntryList>("entries");

    QTest::newRow("worked example")
        << demoArchive() << "demo"
        << "1.0.0" << ThemeEntryList{{"/a.png", 92, 10}, {"/img/bg.jpg", 102, 3}};
    QByteArray versioned = demoArchive();
    patchInt32(versioned, 4, 2);
    patchInt32(versioned, 8, 5);
    patchInt32(versioned, 12, 7);
    QTest::newRow("any version") << versioned << "demo"
                                 << "2.5.7"
                                 << ThemeEntryList{{"/a.png", 92, 10}, {"/img/bg.jpg", 102, 3}};
    patchInt32(versioned, 4, -1);
    QTest::newRow("negative version")
        << versioned << "demo"
        << "-1.5.7" << ThemeEntryList{{"/a.png", 92, 10}, {"/img/bg.jpg", 102, 3}};
    QTest::newRow("bytes appended go to the last entry")
        << demoArchive() + "12345"
        << "demo"
        << "1.0.0" << ThemeEntryList{{"/a.png", 92, 10}, {"/img/bg.jpg", 102, 8}};
    QTest::newRow("no files") << build("demo", {}) << "demo"
                              << "1.0.0" << ThemeEntryList{};
    QTest::newRow("names outside ASCII")
        << build("主题", {{"/图片/背景.png", "x"}, {"/é", ""}}) << "主题"
        << "1.0.0" << ThemeEntryList{{"/图片/背景.png", 96, 1}, {"/é", 97, 0}};
    QTest::newRow("odd names that stay inside")
        << build("..theme", {{"/...", "1"}, {"/..x/x..", "2"}}) << "..theme"
        << "1.0.0" << ThemeEntryList{{"/...", 92, 1}, {"/..x/x..", 93, 1}};
}

void TestThemeReader::readsIndex()
{
    QFETCH(QByteArray, archive);
    QFETCH(QString, theme);
    QFETCH(QString, version);
    QFETCH(ThemeEntryList, entries);

    ThemeReader reader;
    ThemeEntryList read;
    QString readTheme;
    QVERIFY2(reader.readIndex(put("t.tsk", archive), read, readTheme),
             qPrintable(reader.errorString));
    QCOMPARE(readTheme, theme);
    QCOMPARE(reader.version, version);
    QCOMPARE(read.size(), entries.size());
    for (qsizetype i = 0; i < entries.size(); ++i) {
        QCOMPARE(read[i].name, entries[i].name);
        QCOMPARE(read[i].offset, entries[i].offset);
        QCOMPARE(read[i].size, entries[i].size);
    }
    QVERIFY(reader.themeName.isEmpty() && reader.targetDir.isEmpty()); // readIndex leaves them
}

void TestThemeReader::refusesNonArchives_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("message");

    QTest::newRow("missing file") << "missing.tsk"
                                  << "The specified theme file is NOT exists.";
    QTest::newRow("a folder") << "folder"
                              << "Can NOT open the theme file.";
    QTest::newRow("empty file") << "empty.tsk" << noTag;
    QTest::newRow("three bytes") << "short.tsk" << noTag;
    QTest::newRow("other tag") << "other.tsk" << noTag;
#ifdef Q_OS_UNIX
    QTest::newRow("a FIFO, never waited on") << "fifo.tsk"
                                             << "Can NOT open the theme file.";
#endif
}

void TestThemeReader::refusesNonArchives()
{
    QFETCH(QString, path);
    QFETCH(QString, message);
    QDir().mkpath(temp->filePath(QStringLiteral("folder")));
    put(QStringLiteral("empty.tsk"), "");
    put(QStringLiteral("short.tsk"), "VLM");
    put(QStringLiteral("other.tsk"), "PK\3\4" + demoArchive().mid(4));
#ifdef Q_OS_UNIX
    QVERIFY(plant(QFile::encodeName(temp->path()), "p:fifo.tsk"));
#endif

    ThemeReader reader;
    reader.version = QStringLiteral("9.9.9");
    ThemeEntryList entries{{"/kept", 1, 2}};
    QString theme = QStringLiteral("kept");
    QVERIFY(!reader.readIndex(temp->filePath(path), entries, theme));
    QCOMPARE(reader.errorString, message);
    QCOMPARE(entries.size(), 1);
    QCOMPARE(theme, QStringLiteral("kept"));
    QCOMPARE(reader.version, QStringLiteral("9.9.9"));
}

void TestThemeReader::keepsOldErrorAfterSuccess()
{
    ThemeReader reader;
    ThemeEntryList entries;
    QString theme;
    QVERIFY(!reader.readIndex(temp->filePath(QStringLiteral("missing")), entries, theme));
    QVERIFY(reader.readIndex(put("t.tsk", demoArchive()), entries, theme));
    QCOMPARE(reader.errorString, QStringLiteral("The specified theme file is NOT exists."));
}

void TestThemeReader::refusesDamagedArchives_data()
{
    QTest::addColumn<QByteArray>("archive");
    QTest::addColumn<QString>("message");

    const auto row = [](const char *name, int offset, qint32 value) {
        QByteArray archive = demoArchive();
        patchInt32(archive, offset, value);
        QTest::newRow(name) << archive << damaged;
    };
    row("negative name block length", 16, -12);
    row("name block shorter than its length field", 16, 0);
    row("name block past the end", 16, 1000);
    row("theme name longer than its block", 20, 9);
    row("negative theme name length", 20, -1);
    row("index length 0", 32, 0);
    row("index length 4", 32, 4);
    row("negative index length", 32, -24);
    row("index past the end", 32, 4000);
    row("index claims a third entry", 32, 32);
    row("negative name length", 60, -6);
    row("name past the end", 60, 1000);
    row("decreasing data offsets", 48, 90);
    row("contents past the end", 40, 80);
    row("closing record past the end (cut-short download)", 56, 106);
    row("largest name length", 72, 0x7FFFFFFF);
    row("smallest data offset", 40, qint32(0x80000000));
    row("first contents not right after the end record", 40, 96);
    row("name offset that points past its record", 44, 76);
    row("closing record not at the end record", 52, 92);

    // More than a reader takes in: refused before it is held in memory.
    const QString tooLarge = QStringLiteral(
        "The theme file holds more resources, or longer names, than Velmoro takes in.");
    QByteArray manyEntries = build("t", {});
    patchInt32(manyEntries, 28,
               8 * 1000002); // an index of 1,000,001 entries and the closing record
    manyEntries.append(8 * 1000002, '\0');
    QTest::newRow("more than 1,000,000 entries") << manyEntries << tooLarge;
    QTest::newRow("a name over 64 KiB") << build("t", {{QByteArray(65537, 'n'), "x"}}) << tooLarge;
    QTest::newRow("a theme name over 64 KiB") << build(QByteArray(65537, 't'), {}) << tooLarge;
    QList<Entry> longNames;
    for (int i = 0; i < 1025; ++i)
        longNames.append({QByteArray(65536, 'n'), ""});
    QTest::newRow("names over 64 MiB together") << build("t", longNames) << tooLarge;
    QTest::newRow("folders nested over 256 deep")
        << build("t", {{QByteArray("/a").repeated(257) + "/x", "x"}}) << tooLarge;
}

void TestThemeReader::refusesDamagedArchives()
{
    QFETCH(QByteArray, archive);
    QFETCH(QString, message);
    const QString path = put(QStringLiteral("t.tsk"), archive);

    ThemeReader reader;
    ThemeEntryList entries;
    QString theme;
    QVERIFY(!reader.readIndex(path, entries, theme));
    QCOMPARE(reader.errorString, message);
    QVERIFY(entries.isEmpty() && theme.isEmpty() && reader.version.isEmpty());

    const QString target = temp->filePath(QStringLiteral("target"));
    QDir().mkpath(target);
    reader.themeFilePath = path;
    reader.targetDir = target;
    QVERIFY(!reader.extract());
    QCOMPARE(reader.errorString, message);
    QVERIFY(!reader.extractEntries({"/a.png"}));
    QCOMPARE(reader.errorString, message);
    QBuffer bytes;
    bytes.open(QIODevice::WriteOnly);
    QVERIFY(!reader.readEntry(path, QStringLiteral("/a.png"), bytes));
    QCOMPARE(reader.errorString, message);
    QCOMPARE(bytes.data(), QByteArray());
    QCOMPARE(listAll(target), QStringList());
}

void TestThemeReader::refusesEveryTruncation_data()
{
    QTest::addColumn<QByteArray>("archive");
    QTest::addColumn<int>("length");
    const QList<QPair<const char *, QByteArray>> archives{
        {"two files", demoArchive()},
        {"no files", build("demo", {})},
        {"empty files", build("", {{"/a", ""}, {"/b", ""}})},
    };
    for (const auto &archive : archives) {
        for (int length = 0; length < archive.second.size(); ++length)
            QTest::addRow("%s cut to %d", archive.first, length) << archive.second << length;
    }
}

void TestThemeReader::refusesEveryTruncation()
{
    QFETCH(QByteArray, archive);
    QFETCH(int, length);
    const QString path = put(QStringLiteral("t.tsk"), archive.left(length));
    const QString target = temp->filePath(QStringLiteral("target"));

    ThemeReader reader;
    ThemeEntryList entries;
    QString theme;
    QVERIFY(!reader.readIndex(path, entries, theme));
    QCOMPARE(reader.errorString, length < 4 ? noTag : damaged);
    reader.themeFilePath = path;
    reader.targetDir = target;
    QVERIFY(!reader.extract());
    QVERIFY(!QFileInfo::exists(target));
}

void TestThemeReader::refusesHostileNames_data()
{
    QTest::addColumn<QByteArray>("theme");
    QTest::addColumn<QByteArray>("name");

    QTest::newRow("parent of the theme folder") << QByteArray("demo") << QByteArray("/../x");
    QTest::newRow("two levels up") << QByteArray("demo") << QByteArray("/a/../../x");
    QTest::newRow("backslashes") << QByteArray("demo") << QByteArray("\\..\\..\\x");
    QTest::newRow("mixed separators") << QByteArray("demo") << QByteArray("/a\\../../x");
    QTest::newRow("name ends in ..") << QByteArray("demo") << QByteArray("/a/..");
    QTest::newRow("bare ..") << QByteArray("") << QByteArray("..");
    QTest::newRow("NUL in a name") << QByteArray("demo") << QByteArray("/x\0/../../y", 11);
    QTest::newRow("theme name ..") << QByteArray("..") << QByteArray("/x");
    QTest::newRow("theme name leads up") << QByteArray("../sentinel") << QByteArray("/x");
    QTest::newRow("theme name leads up by backslash")
        << QByteArray("..\\sentinel") << QByteArray("/x");
    QTest::newRow("theme name with NUL") << QByteArray("de\0mo", 5) << QByteArray("/x");
    // Each name is harmless on its own; joined without a separator they are not.
    QTest::newRow("theme . joins entry ./x into ../x")
        << QByteArray(".") << QByteArray("./escaped.txt");
    QTest::newRow("theme . joins entry . into ..") << QByteArray(".") << QByteArray(".");
    QTest::newRow("theme a/. joins entry ./b into a/../b")
        << QByteArray("a/.") << QByteArray("./b");
    QTest::newRow("theme x\\. joins entry ./y into x\\../y")
        << QByteArray("x\\.") << QByteArray("./y");
    QTest::newRow("entry without / lands beside the theme folder")
        << QByteArray("a") << QByteArray("b");
    QTest::newRow("theme ending in \\ lands beside on Linux")
        << QByteArray("a\\") << QByteArray("b");
    QTest::newRow("theme . joins entry ./ into ../") << QByteArray(".") << QByteArray("./");
}

void TestThemeReader::refusesHostileNames()
{
    QFETCH(QByteArray, theme);
    QFETCH(QByteArray, name);
    // The hostile entry comes second, so a reader that checks late would
    // already have written the first one.
    const QString path =
        put(QStringLiteral("hostile.tsk"), build(theme, {{"/first", "1"}, {name, "evil"}}));
    const QString target = temp->filePath(QStringLiteral("work/target"));
    const QString sentinel = temp->filePath(QStringLiteral("work/sentinel"));
    QDir().mkpath(target);
    QDir().mkpath(sentinel);

    ThemeReader reader;
    ThemeEntryList entries;
    QString readTheme;
    QVERIFY(!reader.readIndex(path, entries, readTheme));
    QCOMPARE(reader.errorString, unsafe);

    reader.themeFilePath = path;
    reader.targetDir = target;
    QVERIFY(!reader.extract());
    QCOMPARE(reader.errorString, unsafe);
    QVERIFY(!reader.extractEntries({"/first"}));
    QCOMPARE(reader.error.kind, ThemeFailure::Unsafe);
    QBuffer bytes;
    bytes.open(QIODevice::WriteOnly);
    QVERIFY(!reader.readEntry(path, QStringLiteral("/first"), bytes));
    QCOMPARE(reader.error.kind, ThemeFailure::Unsafe);
    QCOMPARE(listAll(target), QStringList());
    QCOMPARE(listAll(sentinel), QStringList());
    QCOMPARE(listAll(temp->filePath(QStringLiteral("work"))), (QStringList{"sentinel", "target"}));
}

void TestThemeReader::extractsWorkedExample_data()
{
    QTest::addColumn<QString>("targetDir");
    QTest::addColumn<QString>("normalised");
    QTest::newRow("without a final slash") << "out"
                                           << "out/";
    QTest::newRow("with a final slash") << "out/"
                                        << "out/";
    QTest::newRow("empty: beside the archive") << ""
                                               << "";
}

void TestThemeReader::extractsWorkedExample()
{
    QFETCH(QString, targetDir);
    QFETCH(QString, normalised);
    ThemeReader reader;
    reader.themeFilePath = put(QStringLiteral("demo.tsk"), demoArchive());
    reader.targetDir = targetDir.isEmpty() ? QString() : temp->filePath(targetDir);
    QVERIFY2(reader.extract(), qPrintable(reader.errorString));
    QCOMPARE(reader.targetDir, temp->path() + QLatin1Char('/') + normalised);
    QCOMPARE(reader.themeName, QStringLiteral("demo"));
    QCOMPARE(reader.version, QStringLiteral("1.0.0"));
    const QString root = reader.targetDir + QStringLiteral("demo");
    QCOMPARE(listTree(root),
             (QMap<QString, QByteArray>{{"a.png", "0123456789"}, {"img/bg.jpg", "abc"}}));
}

void TestThemeReader::extractsEdgeCases_data()
{
    QTest::addColumn<QByteArray>("archive");
    QTest::addColumn<QStringList>("files"); // below the target folder, "path=contents"

    QTest::newRow("empty theme name: straight into the target")
        << build("", {{"/a", "1"}}) << QStringList{"a=1"};
    QTest::newRow("nested folders are created")
        << build("t", {{"/x/y/z/deep", "d"}}) << QStringList{"t/x/y/z/deep=d"};
    QTest::newRow("zero-byte entry")
        << build("t", {{"/empty", ""}, {"/b", "b"}}) << QStringList{"t/b=b", "t/empty="};
    QTest::newRow("later duplicate wins")
        << build("t", {{"/a", "first"}, {"/a", "second"}}) << QStringList{"t/a=second"};
    QTest::newRow("appended bytes end the last file")
        << demoArchive() + "tail"
        << QStringList{"demo/a.png=0123456789", "demo/img/bg.jpg=abctail"};
    // Resources below a threshold go through a buffer, larger ones are
    // copied by the kernel where it can.
    for (const int size : {3 * 16384 + 5, (3 << 20) + 5}) {
        QByteArray large(size, Qt::Uninitialized);
        for (int i = 0; i < large.size(); ++i)
            large[i] = char(i * 7);
        QTest::addRow("entry of %d bytes", size)
            << build("t", {{"/large", large}, {"/after", "ok"}})
            << QStringList{"t/after=ok", QStringLiteral("t/large=") + QString::fromLatin1(large)};
    }
}

void TestThemeReader::extractsEdgeCases()
{
    QFETCH(QByteArray, archive);
    QFETCH(QStringList, files);
    ThemeReader reader;
    reader.themeFilePath = put(QStringLiteral("t.tsk"), archive);
    reader.targetDir = temp->filePath(QStringLiteral("out"));
    QVERIFY2(reader.extract(), qPrintable(reader.errorString));
    QStringList found;
    const auto tree = listTree(reader.targetDir);
    for (auto it = tree.begin(); it != tree.end(); ++it)
        found.append(it.key() + QLatin1Char('=') + QString::fromLatin1(it.value()));
    QCOMPARE(found, files);
}

void TestThemeReader::extractsEmptyArchive()
{
    ThemeReader reader;
    reader.themeFilePath = put(QStringLiteral("empty.tsk"), build("demo", {}));
    reader.targetDir = temp->filePath(QStringLiteral("out"));
    QDir().mkpath(reader.targetDir);
    QVERIFY(reader.extract());
    QCOMPARE(reader.themeName, QStringLiteral("demo"));
    QCOMPARE(listAll(reader.targetDir), QStringList());
}

void TestThemeReader::replacesExistingFiles()
{
    const QString out = temp->filePath(QStringLiteral("out"));
    writeFile(out + QStringLiteral("/demo/a.png"), "a much longer old file than the new one");
    writeFile(out + QStringLiteral("/demo/mine.txt"), "not in the archive");
    // A replaced file keeps the permissions it had.
    const auto kept = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup;
    QFile::setPermissions(out + QStringLiteral("/demo/a.png"), kept);
    ThemeReader reader;
    reader.themeFilePath = put(QStringLiteral("demo.tsk"), demoArchive());
    reader.targetDir = out;
    QVERIFY(reader.extract());
    QCOMPARE(listTree(out + QStringLiteral("/demo")),
             (QMap<QString, QByteArray>{{"a.png", "0123456789"},
                                        {"img/bg.jpg", "abc"},
                                        {"mine.txt", "not in the archive"}}));
    QCOMPARE(QFile::permissions(out + QStringLiteral("/demo/a.png")) & 0x7077, kept & 0x7077);
}

void TestThemeReader::reportsUnwritableEntries_data()
{
    QTest::addColumn<QStringList>("blocked"); // entries whose path is already a folder
    QTest::addColumn<QString>("message");
    QTest::newRow("one") << QStringList{"b"} << "Can NOT write the resource file: %1/b";
    QTest::newRow("two") << QStringList{"a", "c"}
                         << "Can NOT write 2 resource files, the first: %1/a";
}

void TestThemeReader::reportsUnwritableEntries()
{
    QFETCH(QStringList, blocked);
    QFETCH(QString, message);
    const QString theme = temp->filePath(QStringLiteral("out/t"));
    for (const QString &name : blocked)
        QDir().mkpath(theme + QLatin1Char('/') + name);

    ThemeReader reader;
    reader.themeFilePath =
        put(QStringLiteral("t.tsk"),
            build("t", {{"/a", "AAAA"}, {"/b", "BBBBBBBB"}, {"/c", "CC"}, {"/d", "D"}}));
    reader.targetDir = temp->filePath(QStringLiteral("out"));
    QVERIFY(!reader.extract());
    QCOMPARE(reader.errorString, message.arg(QDir::toNativeSeparators(theme)));

    // Every other entry is still written, with its own contents.
    QMap<QString, QByteArray> expected{{"a", "AAAA"}, {"b", "BBBBBBBB"}, {"c", "CC"}, {"d", "D"}};
    for (const QString &name : blocked)
        expected.remove(name);
    QCOMPARE(listTree(theme), expected);
}

void TestThemeReader::reusedReaderKeepsFallbackFolder()
{
    ThemeReader reader;
    reader.themeFilePath = put(QStringLiteral("first/one.tsk"), build("one", {{"/1", "1"}}));
    QVERIFY(reader.extract());
    reader.themeFilePath = put(QStringLiteral("second/two.tsk"), build("two", {{"/2", "2"}}));
    QVERIFY(reader.extract());
    QCOMPARE(readFile(temp->filePath(QStringLiteral("first/two/2"))), QByteArray("2"));
}

void TestThemeReader::failsBeforeWritingAnything_data()
{
    QTest::addColumn<QString>("archive");
    QTest::addColumn<QString>("targetDir");
    QTest::addColumn<QString>("normalised");
    QTest::addColumn<QString>("message");
    QTest::newRow("missing archive, target untouched") << "missing.tsk"
                                                       << ""
                                                       << ""
                                                       << "The specified theme file is NOT exists.";
    QTest::newRow("wrong tag, target normalised") << "bad.tsk"
                                                  << "out"
                                                  << "out/" << noTag;
}

void TestThemeReader::failsBeforeWritingAnything()
{
    QFETCH(QString, archive);
    QFETCH(QString, targetDir);
    QFETCH(QString, normalised);
    QFETCH(QString, message);
    put(QStringLiteral("bad.tsk"), "not an archive");
    const QStringList before = listAll(temp->path());
    ThemeReader reader;
    reader.themeFilePath = temp->filePath(archive);
    reader.targetDir = targetDir.isEmpty() ? QString() : temp->filePath(targetDir);
    QVERIFY(!reader.extract());
    QCOMPARE(reader.errorString, message);
    QCOMPARE(reader.targetDir, normalised.isEmpty() ? QString() : temp->filePath(normalised));
    QVERIFY(reader.themeName.isEmpty() && reader.version.isEmpty());
    QCOMPARE(listAll(temp->path()), before);
}

void TestThemeReader::roundTripsVariedTree()
{
    const QString source = temp->filePath(QStringLiteral("source"));
    const QMap<QString, QByteArray> visible{
        {"a.png", "png bytes"},
        {"abc", ""}, // name of 4 bytes with "/", empty contents
        {"图片/背景.jpg", "jpeg"},
        {"img/abcdefg", QByteArray(70000, 'x')},
        {"img/large.bin", QByteArray(3 << 20, 'L') + "end"}, // copied on its own
        {"img/deeper/Z.css", "css"},
        {"空/文件", ""},
    };
    for (auto it = visible.begin(); it != visible.end(); ++it)
        writeFile(source + QLatin1Char('/') + it.key(), it.value());
    writeFile(source + QStringLiteral("/.hidden"), "h");
    writeFile(source + QStringLiteral("/.git/HEAD"), "h");
    QDir().mkpath(source + QStringLiteral("/empty/inner"));
    QMap<QString, QByteArray> expected = visible;
#ifdef Q_OS_UNIX
    writeFile(temp->filePath(QStringLiteral("linked/target.txt")), "linked");
    QVERIFY(QFile::link(temp->filePath(QStringLiteral("linked")),
                        source + QStringLiteral("/folderlink")));
    QVERIFY(QFile::link(temp->filePath(QStringLiteral("linked/target.txt")),
                        source + QStringLiteral("/filelink")));
    expected.insert(QStringLiteral("folderlink/target.txt"), "linked");
    expected.insert(QStringLiteral("filelink"), "linked");
#endif

    ThemePacker packer;
    packer.folderPath = source;
    packer.themeName = QStringLiteral("往返");
    QVERIFY2(packer.pack(), qPrintable(packer.errorString));

    ThemeReader reader;
    reader.themeFilePath = packer.themeFilePath;
    reader.targetDir = temp->filePath(QStringLiteral("unpacked"));
    QVERIFY2(reader.extract(), qPrintable(reader.errorString));
    QCOMPARE(listTree(reader.targetDir + QStringLiteral("往返")), expected);
    QCOMPARE(listAll(reader.targetDir + QStringLiteral("往返")).filter(QStringLiteral("empty")),
             QStringList()); // empty folders leave no trace

    // One resource's bytes on their own, and a chosen few unpacked alone.
    for (auto it = expected.begin(); it != expected.end(); ++it) {
        QBuffer bytes;
        bytes.open(QIODevice::WriteOnly);
        QVERIFY2(reader.readEntry(packer.themeFilePath, QLatin1Char('/') + it.key(), bytes),
                 qPrintable(it.key()));
        QCOMPARE(bytes.data(), it.value());
    }
    reader.targetDir = temp->filePath(QStringLiteral("chosen"));
    QVERIFY2(reader.extractEntries({"/img/large.bin", "/空/文件"}), qPrintable(reader.errorString));
    QCOMPARE(listTree(reader.targetDir + QStringLiteral("往返")),
             (QMap<QString, QByteArray>{{"img/large.bin", expected.value("img/large.bin")},
                                        {"空/文件", ""}}));
}

void TestThemeReader::reportsProgressAndCancels_data()
{
    QTest::addColumn<int>("stopAt");        // the progress call that answers "stop"; -1 never
    QTest::addColumn<QStringList>("files"); // what is left below the theme folder
    QTest::addColumn<QByteArray>("olderB"); // an older copy of b, there before the unpack
    QTest::newRow("not stopped") << -1 << QStringList{"a", "b", "c"} << QByteArray();
    QTest::newRow("before anything") << 0 << QStringList{} << QByteArray();
    QTest::newRow("after the first file") << 1 << QStringList{"a"} << QByteArray();
    QTest::newRow("inside the large file")
        << 3 << QStringList{"a"} << QByteArray(); // its part is removed
    QTest::newRow("inside the large file, over an older copy")
        << 3 << QStringList{"a", "b"} << QByteArray("older b");
}

void TestThemeReader::reportsProgressAndCancels()
{
    QFETCH(int, stopAt);
    QFETCH(QStringList, files);
    QFETCH(QByteArray, olderB);
    const QByteArray large((20 << 20) + 3, 'L'); // several chunks
    if (!olderB.isEmpty())
        writeFile(temp->filePath(QStringLiteral("out/t/b")), olderB);
    ThemeReader reader;
    reader.themeFilePath =
        put(QStringLiteral("t.tsk"), build("t", {{"/a", "A"}, {"/b", large}, {"/c", "C"}}));
    reader.targetDir = temp->filePath(QStringLiteral("out"));
    QList<qint64> seen;
    reader.progress = [&](qint64 done, qint64 total) {
        seen.append(done);
        return total == large.size() + 2 && seen.size() - 1 != stopAt;
    };
    QCOMPARE(reader.extract(), stopAt < 0);
    if (stopAt >= 0) {
        QCOMPARE(reader.errorString, QStringLiteral("The unpacking was cancelled."));
        QCOMPARE(seen.size(), stopAt + 1);
    } else {
        QCOMPARE(seen.last(), large.size() + 2);
        QVERIFY(std::is_sorted(seen.begin(), seen.end()));
    }
    QCOMPARE(listTree(temp->filePath(QStringLiteral("out/t"))).keys(),
             files); // no temporary file either
    if (!olderB.isEmpty())
        QCOMPARE(readFile(temp->filePath(QStringLiteral("out/t/b"))), olderB);
}

// Things already in the target folder that an archive's names might reach:
// none of them may lead a write elsewhere, and none is opened for writing.
void TestThemeReader::writesNothingThroughWhatIsInTheWay_data()
{
    QTest::addColumn<QByteArray>("archive");
    QTest::addColumn<QString>("archiveName"); // below work/
    QTest::addColumn<QStringList>(
        "planted"); // below work/target: "d:path", "f:path=text",
                    // "l:path->target", "h:path->target" (hard), "p:path" (FIFO)
    QTest::addColumn<QString>("message"); // empty when the unpack succeeds
    QTest::addColumn<QString>("reason");
    QTest::addColumn<QStringList>(
        "left"); // below work/target afterwards, as describeTree() gives it

    const QString link = QStringLiteral("A symbolic link is in the way");
    QTest::newRow("theme folder is a link out")
        << build("t", {{"/a", "1"}}) << "t.tsk" << QStringList{"l:t->../sentinel"}
        << "Can NOT write the resource file: %1/t/a" << link << QStringList{"l:t->../sentinel"};
    QTest::newRow("sub-folder is a link out")
        << build("t", {{"/sub/x", "1"}, {"/y", "2"}}) << "t.tsk"
        << QStringList{"d:t", "l:t/sub->../../sentinel"}
        << "Can NOT write the resource file: %1/t/sub/x" << link
        << QStringList{"d:t", "f:t/y=2", "l:t/sub->../sentinel"};
    QTest::newRow("link at a file's place is replaced, not followed")
        << build("t", {{"/a", "new"}}) << "t.tsk"
        << QStringList{"d:t", "l:t/a->../../sentinel/keep.txt"} << ""
        << "" << QStringList{"d:t", "f:t/a=new"};
    QTest::newRow("dangling link at a file's place")
        << build("t", {{"/a", "new"}}) << "t.tsk"
        << QStringList{"d:t", "l:t/a->../../sentinel/made.txt"} << ""
        << "" << QStringList{"d:t", "f:t/a=new"};
    QTest::newRow("hard link at a file's place keeps the other name")
        << build("t", {{"/a", "new"}}) << "t.tsk"
        << QStringList{"d:t", "h:t/a->../../sentinel/keep.txt"} << ""
        << "" << QStringList{"d:t", "f:t/a=new"};
    QTest::newRow("FIFO at a file's place is never opened")
        << build("t", {{"/a", "new"}, {"/b", "ok"}}) << "t.tsk" << QStringList{"d:t", "p:t/a"}
        << "Can NOT write the resource file: %1/t/a"
        << "A FIFO, socket or device is in the way" << QStringList{"d:t", "f:t/b=ok", "p:t/a"};
    QTest::newRow("a file where a folder is needed")
        << build("t", {{"/sub/x", "1"}}) << "t.tsk" << QStringList{"d:t", "f:t/sub=old"}
        << "Can NOT write the resource file: %1/t/sub/x"
        << "Not a directory" << QStringList{"d:t", "f:t/sub=old"};
    QTest::newRow("write-protected older file stays")
        << build("t", {{"/a", "new"}, {"/b", "ok"}}) << "t.tsk"
        << QStringList{"d:t", "f:t/a=old", "m:t/a=0444"}
        << "Can NOT write the resource file: %1/t/a"
        << "Permission denied" << QStringList{"d:t", "f:t/a=old", "f:t/b=ok"};
    QTest::newRow("theme folder below a folder that may not be written")
        << build("t", {{"/a", "1"}}) << "t.tsk" << QStringList{"m:.=0555"}
        << "Can NOT write the resource file: %1/t/a"
        << "Permission denied" << QStringList{};
    // A name that ends in "/" names a folder: it is made, and holds no file.
    QTest::newRow("entry naming the theme folder itself")
        << build("t", {{"/", "x"}, {"/b", "ok"}}) << "t.tsk" << QStringList{} << ""
        << "" << QStringList{"d:t", "f:t/b=ok"};
    QTest::newRow("entry naming a folder, and one with an empty component")
        << build("t", {{"/img/", ""}, {"//d.png", "D"}}) << "t.tsk" << QStringList{} << ""
        << "" << QStringList{"d:t", "d:t/img", "f:t/d.png=D"};
    QTest::newRow("entry naming a folder where a file is")
        << build("t", {{"/img/", ""}, {"/b", "ok"}}) << "t.tsk" << QStringList{"f:t/img=old"}
        << "Can NOT write the resource file: %1/t/img"
        << "Not a directory" << QStringList{"d:t", "f:t/b=ok", "f:t/img=old"};
    QTest::newRow("names that are not UTF-8 do not collapse into one")
        << build("t", {{"/\xff.png", "1"}, {"/\xfe.png", "2"}, {"/ok", "3"}}) << "t.tsk"
        << QStringList{}
        << QStringLiteral("Can NOT write 2 resource files, the first: %1/t/") + QChar(0xDCFF)
               + ".png"
        << "The name is not valid UTF-8" << QStringList{"d:t", "f:t/ok=3"};
    QTest::newRow("a folder whose name is not UTF-8 is not made")
        << build("t", {{"/\xc0\xaf/", ""}, {"/ok", "3"}}) << "t.tsk" << QStringList{}
        << QStringLiteral("Can NOT write the resource file: %1/t/") + QChar(0xDCC0) + QChar(0xDCAF)
        << "The name is not valid UTF-8" << QStringList{"d:t", "f:t/ok=3"};
    QTest::newRow("entry naming the archive being unpacked")
        << build("", {{"/self.tsk", "evil"}, {"/b", "ok"}}) << "target/self.tsk" << QStringList{}
        << "Can NOT write the resource file: %1/self.tsk"
        << "It is the theme file being unpacked" << QStringList{"f:b=ok", "f:self.tsk=<archive>"};
}

void TestThemeReader::writesNothingThroughWhatIsInTheWay()
{
#ifndef Q_OS_UNIX
    QSKIP("links and FIFOs as POSIX systems make them");
#else
    QFETCH(QByteArray, archive);
    QFETCH(QString, archiveName);
    QFETCH(QStringList, planted);
    QFETCH(QString, message);
    QFETCH(QString, reason);
    QFETCH(QStringList, left);
    const QString work = temp->filePath(QStringLiteral("work"));
    const QString target = work + QStringLiteral("/target");
    writeFile(work + QStringLiteral("/sentinel/keep.txt"), "precious");
    QDir().mkpath(target);
    for (const QString &instruction : planted)
        QVERIFY2(plant(QFile::encodeName(target), instruction.toUtf8()), qPrintable(instruction));
    const QString archivePath = work + QLatin1Char('/') + archiveName;
    writeFile(archivePath, archive);

    ThemeReader reader;
    reader.themeFilePath = archivePath;
    reader.targetDir = target;
    bool extracted = false;
    {
        FilePermissionsEnforced asAnyUser; // a locked folder is locked for root too
        extracted = reader.extract();
    }
    QCOMPARE(extracted, message.isEmpty());
    if (!message.isEmpty()) {
        QCOMPARE(reader.errorString, message.arg(target));
        QCOMPARE(reader.error.reason(), reason);
    }
    QStringList tree = describeTree(target);
    tree.replaceInStrings(QStringLiteral("=") + QString::fromUtf8(archive),
                          QStringLiteral("=<archive>"));
    QCOMPARE(tree, left);
    QCOMPARE(describeTree(work + QStringLiteral("/sentinel")), QStringList{"f:keep.txt=precious"});
#endif
}

// A disk that fills up mid-file (here: the process's file size limit) fails
// that file and leaves the older copy of it as it was, with nothing half
// written anywhere; the other files are still written.
void TestThemeReader::keepsOlderCopiesWhenTheDiskFills_data()
{
    QTest::addColumn<int>("size");
    QTest::newRow("small, written in one go") << 200000;
    QTest::newRow("copied by the kernel") << (3 << 20);
}

void TestThemeReader::keepsOlderCopiesWhenTheDiskFills()
{
#ifndef Q_OS_UNIX
    QSKIP("file size limits as POSIX systems set them");
#else
    QFETCH(int, size);
    const QString theme = temp->filePath(QStringLiteral("out/t"));
    writeFile(theme + QStringLiteral("/big"), "the older, intact copy");
    ThemeReader reader;
    reader.themeFilePath = put(QStringLiteral("t.tsk"),
                               build("t", {{"/big", QByteArray(size, 'n')}, {"/small", "s"}}));
    reader.targetDir = temp->filePath(QStringLiteral("out"));

    bool extracted = false;
    {
        const FileSizeLimit limit(size / 2);
        extracted = reader.extract();
    }
    QVERIFY(!extracted);
    QCOMPARE(reader.errorString,
             QStringLiteral("Can NOT write the resource file: %1/big").arg(theme));
    QCOMPARE(reader.error.kind, ThemeFailure::FileTooLarge);
    QCOMPARE(reader.error.reason(), QStringLiteral("File too large"));
    QCOMPARE(reader.error.path, theme + QStringLiteral("/big"));
    QCOMPARE(describeTree(theme), (QStringList{"f:big=the older, intact copy", "f:small=s"}));
#endif
}

QTEST_GUILESS_MAIN(TestThemeReader)
#include "tst_themereader.moc"
