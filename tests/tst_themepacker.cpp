// SPDX-License-Identifier: MIT
#include "TestArchive.h"
#include "archive/ThemePacker.h"
#include "archive/ThemeReader.h"

#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

using namespace TestArchive;

class TestThemePacker : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void scanOrder_data();
    void scanOrder();
    void derivesDefaultsOnceUntilReset();
    void keepsCallerValues();
    void namesRelativeFolderAfterItself();
    void refusesBadPaths_data();
    void refusesBadPaths();
    void failedPackKeepsOldArchive_data();
    void failedPackKeepsOldArchive();
    void reportsWriteFailures_data();
    void reportsWriteFailures();
    void reportsProgress();
    void cancelsAtEveryPoint_data();
    void cancelsAtEveryPoint();
    void neverPacksItsOwnArchive_data();
    void neverPacksItsOwnArchive();
    void followsLinksWithoutLooping();
    void refusesWhatCannotBePacked_data();
    void refusesWhatCannotBePacked();

private:
    QStringList entryNames(const QString &archive);
    QString makeTree(const QStringList &files);
    QScopedPointer<QTemporaryDir> temp;
};

void TestThemePacker::init()
{
    temp.reset(new QTemporaryDir);
    QVERIFY(temp->isValid());
}

QStringList TestThemePacker::entryNames(const QString &archive)
{
    ThemeReader reader;
    ThemeEntryList entries;
    QString theme;
    if (!reader.readIndex(archive, entries, theme))
        return {QStringLiteral("unreadable: ") + reader.errorString};
    QStringList names;
    for (const ThemeEntry &entry : entries)
        names.append(entry.name);
    return names;
}

// A folder "theme" holding the given files (a trailing "/" makes a folder);
// each file holds its own name.
QString TestThemePacker::makeTree(const QStringList &files)
{
    const QString root = temp->filePath(QStringLiteral("theme"));
    QDir().mkpath(root);
    for (const QString &file : files) {
        if (file.endsWith(QLatin1Char('/')))
            QDir().mkpath(root + QLatin1Char('/') + file);
        else
            writeFile(root + QLatin1Char('/') + file, file.toUtf8());
    }
    return root;
}

void TestThemePacker::scanOrder_data()
{
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QStringList>("entries");

    QTest::newRow("files ignore case and come before sub-folders")
        << QStringList{"img/c.png", "B.png", "Css/d.css", "a.png"}
        << QStringList{"/a.png", "/B.png", "/Css/d.css", "/img/c.png"};
    QTest::newRow("depth first, a whole sub-folder before the next")
        << QStringList{"b/z/1", "b/2", "a/3", "c"} << QStringList{"/c", "/a/3", "/b/2", "/b/z/1"};
    QTest::newRow("compared after lower-casing") << QStringList{"aB", "a_b", "Z.png", "y.png"}
                                                 << QStringList{"/a_b", "/aB", "/y.png", "/Z.png"};
    QTest::newRow("hidden entries and empty folders leave no trace")
        << QStringList{".hidden", ".git/config", "empty/", "deeper/still/", "keep/.dot", "keep/k"}
        << QStringList{"/keep/k"};
    QTest::newRow("names outside ASCII") << QStringList{"图片/背景.png", "é.png", "e.png"}
                                         << QStringList{"/e.png", "/é.png", "/图片/背景.png"};
}

void TestThemePacker::scanOrder()
{
    QFETCH(QStringList, files);
    QFETCH(QStringList, entries);
    ThemePacker packer;
    packer.folderPath = makeTree(files);
    QVERIFY2(packer.pack(), qPrintable(packer.errorString));
    QCOMPARE(entryNames(packer.themeFilePath), entries);
}

void TestThemePacker::derivesDefaultsOnceUntilReset()
{
    const QString folder = makeTree({"a.png"});
    ThemePacker packer;
    packer.errorString = QStringLiteral("older message");
    packer.folderPath = folder;
    QVERIFY(packer.pack());
    QCOMPARE(packer.themeName, QStringLiteral("theme"));
    QCOMPARE(packer.themeFilePath, temp->filePath(QStringLiteral("theme.tsk")));
    QCOMPARE(packer.errorString, QStringLiteral("older message")); // never cleared

    // Without reset() a second folder reuses the first one's name and path.
    const QString other = temp->filePath(QStringLiteral("other"));
    writeFile(other + QStringLiteral("/b.png"), "b");
    packer.folderPath = other;
    QVERIFY(packer.pack());
    QCOMPARE(packer.themeName, QStringLiteral("theme"));
    QCOMPARE(entryNames(temp->filePath(QStringLiteral("theme.tsk"))), QStringList{"/b.png"});

    packer.reset();
    QVERIFY(packer.folderPath.isEmpty() && packer.themeName.isEmpty()
            && packer.themeFilePath.isEmpty());
    QCOMPARE(packer.errorString, QStringLiteral("older message"));
    packer.folderPath = other;
    QVERIFY(packer.pack());
    QCOMPARE(packer.themeFilePath, temp->filePath(QStringLiteral("other.tsk")));
}

void TestThemePacker::keepsCallerValues()
{
    ThemePacker packer;
    packer.folderPath = makeTree({"a.png"});
    packer.themeName = QStringLiteral("蓝色");
    packer.themeFilePath = temp->filePath(QStringLiteral("out/any name.bin"));
    QDir().mkpath(temp->filePath(QStringLiteral("out")));
    QVERIFY(packer.pack());
    ThemeReader reader;
    ThemeEntryList entries;
    QString theme;
    QVERIFY(reader.readIndex(packer.themeFilePath, entries, theme));
    QCOMPARE(theme, QStringLiteral("蓝色"));
    QCOMPARE(packer.themeFilePath, temp->filePath(QStringLiteral("out/any name.bin")));
}

void TestThemePacker::namesRelativeFolderAfterItself()
{
    const QString folder = makeTree({"a.png"});
    const QString previous = QDir::currentPath();
    QDir::setCurrent(folder);
    ThemePacker packer;
    packer.folderPath = QStringLiteral(".");
    const bool packed = packer.pack();
    QDir::setCurrent(previous);
    QVERIFY(packed);
    QCOMPARE(packer.themeName, QStringLiteral("theme"));
    QCOMPARE(packer.themeFilePath, temp->filePath(QStringLiteral("theme.tsk")));
}

void TestThemePacker::refusesBadPaths_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("archive");
    QTest::addColumn<QString>("message");

    QTest::newRow("no folder given") << ""
                                     << "out.tsk"
                                     << "";
    QTest::newRow("missing folder") << "missing"
                                    << "out.tsk"
                                    << "The dir path is NOT validate.";
    QTest::newRow("folder is a file") << "theme/a.png"
                                      << "out.tsk"
                                      << "The dir path is NOT validate.";
    QTest::newRow("archive folder missing") << "theme"
                                            << "missing/out.tsk"
                                            << "The theme file saved path is NOT validate.";
    QTest::newRow("archive path is a folder") << "theme"
                                              << "theme"
                                              << "The theme file saved path is NOT validate.";
}

void TestThemePacker::refusesBadPaths()
{
    QFETCH(QString, folder);
    QFETCH(QString, archive);
    QFETCH(QString, message);
    makeTree({"a.png"});
    const QStringList before = listAll(temp->path());
    ThemePacker packer;
    if (!folder.isEmpty())
        packer.folderPath = temp->filePath(folder);
    packer.themeFilePath = temp->filePath(archive);
    QVERIFY(!packer.pack());
    QCOMPARE(packer.errorString, message);
    QCOMPARE(listAll(temp->path()), before);
}

enum class Mutation { DeleteFile, ShrinkFile, GrowFile, ReplaceByFolder, ReplaceByFifo, None };

void TestThemePacker::failedPackKeepsOldArchive_data()
{
    QTest::addColumn<Mutation>("mutation");
    QTest::addColumn<qint64>("resourceSize");
    QTest::addColumn<qint64>("extraFileSize");
    QTest::addColumn<QString>("message");

    const QString readFailed = QStringLiteral("Can NOT read the resource file: ");
    const QString changed = QStringLiteral("The resource file changed while packing: ");
    // Small resources are gathered and written in blocks, large ones copied
    // on their own: both ways must notice.
    for (const qint64 size : {qint64(40000), qint64(3 << 20)}) {
        const char *kind = size < (1 << 20) ? "small" : "large";
        QTest::addRow("%s resource deleted before its copy", kind)
            << Mutation::DeleteFile << size << qint64(0) << readFailed;
        QTest::addRow("%s resource replaced by a folder", kind)
            << Mutation::ReplaceByFolder << size << qint64(0) << readFailed;
        QTest::addRow("%s resource shrank since the scan", kind)
            << Mutation::ShrinkFile << size << qint64(0) << changed;
        QTest::addRow("%s resource grew since the scan", kind)
            << Mutation::GrowFile << size << qint64(0) << changed;
#ifdef Q_OS_UNIX
        QTest::addRow("%s resource replaced by a FIFO, never waited on", kind)
            << Mutation::ReplaceByFifo << size << qint64(0) << changed;
#endif
    }
    QTest::newRow("archive would reach 2 GB")
        << Mutation::None << qint64(40000) << (qint64(1) << 31)
        << "The theme file would reach 2 GB, more than a theme file can hold.";
}

void TestThemePacker::failedPackKeepsOldArchive()
{
    QFETCH(Mutation, mutation);
    QFETCH(qint64, resourceSize);
    QFETCH(qint64, extraFileSize);
    QFETCH(QString, message);

    const QString folder = makeTree({"a.png"});
    const QString big = folder + QStringLiteral("/b.bin");
    writeFile(big, QByteArray(resourceSize, 'b'));
    if (extraFileSize) {
        QFile sparse(folder + QStringLiteral("/huge.bin"));
        QVERIFY(sparse.open(QIODevice::WriteOnly) && sparse.resize(extraFileSize));
    }
    const QString archive = temp->filePath(QStringLiteral("theme.tsk"));
    writeFile(archive, "the archive packed yesterday");
    const QStringList before = listAll(temp->path());

    ThemePacker packer;
    packer.folderPath = folder;
    packer.entryStarted = [&](const QString &name) {
        if (name != QLatin1String("/b.bin"))
            return;
        QFile file(big);
        switch (mutation) {
        case Mutation::DeleteFile: file.remove(); break;
        case Mutation::ReplaceByFolder:
            file.remove();
            QDir().mkpath(big);
            break;
        case Mutation::ShrinkFile: file.resize(resourceSize - 1); break;
        case Mutation::GrowFile: file.resize(resourceSize + 1); break;
        case Mutation::ReplaceByFifo:
            file.remove();
            plant(QFile::encodeName(folder), "p:b.bin");
            break;
        case Mutation::None: break;
        }
    };
    QVERIFY(!packer.pack());
    QVERIFY2(packer.errorString.startsWith(message), qPrintable(packer.errorString));
    QCOMPARE(readFile(archive), QByteArray("the archive packed yesterday"));
    for (const QString &entry : listAll(temp->path())) // no temporary file left behind
        QVERIFY2(before.contains(entry), qPrintable(entry));
}

void TestThemePacker::reportsWriteFailures_data()
{
    QTest::addColumn<qint64>("capacity");
    QTest::newRow("nothing written") << qint64(0);
    QTest::newRow("inside the header") << qint64(10);
    QTest::newRow("inside the small contents") << qint64(200);
    QTest::newRow("inside the large contents") << qint64(2 << 20);
    QTest::newRow("one byte short") << qint64(-1); // counted from the full size
}

void TestThemePacker::reportsWriteFailures()
{
#ifndef Q_OS_UNIX
    QSKIP("file size limits as POSIX systems set them");
#else
    QFETCH(qint64, capacity);
    const QString folder = makeTree({"a.png"});
    writeFile(folder + QStringLiteral("/b.bin"), QByteArray(40000, 'b'));
    writeFile(folder + QStringLiteral("/c.bin"), QByteArray(3 << 20, 'c'));

    ThemePacker packer;
    packer.folderPath = folder;
    QVERIFY(packer.pack());
    const QByteArray packed = readFile(packer.themeFilePath);
    if (capacity < 0)
        capacity += packed.size();
    bool repacked = true;
    {
        const FileSizeLimit limit(capacity);
        repacked = packer.pack();
    }
    QVERIFY(!repacked);
    QCOMPARE(packer.errorString, QStringLiteral("Can NOT write the theme file."));
    QCOMPARE(packer.error.kind, ThemeFailure::FileTooLarge);
    QCOMPARE(packer.error.reason(), QStringLiteral("File too large"));
    QCOMPARE(readFile(packer.themeFilePath), packed); // the older archive stays
#endif
}

void TestThemePacker::reportsProgress()
{
    const QString folder = makeTree({"a.png", "sub/b.png"});
    writeFile(folder + QStringLiteral("/large.bin"), QByteArray(20 << 20, 'L'));
    const qint64 total = 5 + 9 + (20 << 20); // "a.png", "sub/b.png" and the large file
    ThemePacker packer;
    packer.folderPath = folder;
    QVERIFY(packer.prepare());
    QCOMPARE(packer.contentSize(), total);
    QList<qint64> seen;
    packer.progress = [&](qint64 done, qint64 all) {
        seen.append(done);
        return all == total;
    };
    QVERIFY(packer.pack());
    QCOMPARE(seen.first(), 0);
    QCOMPARE(seen.last(), total);
    QVERIFY(std::is_sorted(seen.begin(), seen.end()));
    QVERIFY2(seen.size() > 4, "a large resource reports more than once");

    // Watching changes nothing in the bytes written.
    const QByteArray watched = readFile(packer.themeFilePath);
    packer.progress = nullptr;
    QVERIFY(packer.pack());
    QCOMPARE(readFile(packer.themeFilePath), watched);
}

void TestThemePacker::cancelsAtEveryPoint_data()
{
    QTest::addColumn<int>("call"); // the progress call that answers "stop"
    for (int call = 0; call < 6; ++call)
        QTest::addRow("call %d", call) << call;
}

void TestThemePacker::cancelsAtEveryPoint()
{
    QFETCH(int, call);
    const QString folder = makeTree({"a.png", "b.png"});
    writeFile(folder + QStringLiteral("/large.bin"), QByteArray(20 << 20, 'L')); // several chunks
    const QString archive = temp->filePath(QStringLiteral("theme.tsk"));
    writeFile(archive, "the archive packed yesterday");
    const QStringList before = listAll(temp->path());

    ThemePacker packer;
    packer.folderPath = folder;
    int calls = 0;
    packer.progress = [&](qint64, qint64) { return calls++ < call; };
    QVERIFY(!packer.pack());
    QCOMPARE(calls, call + 1); // stops at once
    QCOMPARE(packer.errorString, QStringLiteral("The packing was cancelled."));
    QCOMPARE(readFile(archive), QByteArray("the archive packed yesterday"));
    QCOMPARE(listAll(temp->path()), before);
}

void TestThemePacker::neverPacksItsOwnArchive_data()
{
    QTest::addColumn<bool>("throughLink");
    QTest::newRow("same path") << false;
    QTest::newRow("folder given through a link") << true;
}

void TestThemePacker::neverPacksItsOwnArchive()
{
    QFETCH(bool, throughLink);
    const QString folder = makeTree({"a.png"});
    QString packedFolder = folder;
    if (throughLink) {
        packedFolder = temp->filePath(QStringLiteral("link"));
        if (!QFile::link(folder, packedFolder))
            QSKIP("links to folders cannot be made here");
    }
    ThemePacker packer;
    packer.folderPath = packedFolder;
    packer.themeFilePath = folder + QStringLiteral("/inside.tsk");
    QVERIFY(packer.pack());
    const QByteArray first = readFile(packer.themeFilePath);
    QVERIFY(packer.pack()); // now the archive stands in the folder
    QCOMPARE(entryNames(packer.themeFilePath), QStringList{"/a.png"});
    QCOMPARE(readFile(packer.themeFilePath), first);
}

void TestThemePacker::followsLinksWithoutLooping()
{
#ifndef Q_OS_UNIX
    QSKIP("uses symbolic links");
#endif
    const QString folder = makeTree({"a", "sub/b"});
    const QString outside = temp->filePath(QStringLiteral("outside"));
    writeFile(outside + QStringLiteral("/o"), "o");
    QVERIFY(QFile::link(folder, folder + QStringLiteral("/sub/up"))); // back to the root
    QVERIFY(QFile::link(folder + QStringLiteral("/sub"), folder + QStringLiteral("/sub/self")));
    QVERIFY(QFile::link(outside, folder + QStringLiteral("/ext1"))); // followed
    QVERIFY(QFile::link(outside, folder + QStringLiteral("/ext2"))); // followed again
    QVERIFY(QFile::link(outside + QStringLiteral("/o"), folder + QStringLiteral("/file")));
    QVERIFY(QFile::link(temp->filePath(QStringLiteral("nowhere")),
                        folder + QStringLiteral("/dangling")));
    // A FIFO, or a link to one, holds no resource: opening it would wait forever.
    QVERIFY(plant(QFile::encodeName(folder), "p:fifo"));
    QVERIFY(plant(QFile::encodeName(folder), "l:fifolink->fifo"));
    QVERIFY(plant(QFile::encodeName(folder), "l:devicelink->/dev/zero"));

    ThemePacker packer;
    packer.folderPath = folder;
    QVERIFY2(packer.pack(), qPrintable(packer.errorString));
    QCOMPARE(entryNames(packer.themeFilePath),
             (QStringList{"/a", "/file", "/ext1/o", "/ext2/o", "/sub/b"}));
}

Q_DECLARE_METATYPE(ThemeFailure)

// What cannot be packed fails the pack with a message naming it, before the
// archive (or an older one) is touched: nothing is dropped with "success".
void TestThemePacker::refusesWhatCannotBePacked_data()
{
    QTest::addColumn<QList<QByteArray>>(
        "planted"); // below the folder "theme", as plant() takes them
    QTest::addColumn<QString>("themeName");
    QTest::addColumn<QString>("archive"); // below the temporary folder; empty: the default
    QTest::addColumn<QString>("message"); // %1: the folder "theme"
    QTest::addColumn<ThemeFailure>("failure");
    QTest::addColumn<QString>("reason");

    const QString unreadableFolder = QStringLiteral("Can NOT read the resource folder: %1/sub");
    const QString denied = QStringLiteral("Permission denied");
    QTest::newRow("sub-folder that cannot be read")
        << QList<QByteArray>{"f:a.png=a", "f:sub/b.png=b", "m:sub=0300"} << ""
        << "" << unreadableFolder << ThemeFailure::Unreadable << denied;
    QTest::newRow("sub-folder that cannot be searched")
        << QList<QByteArray>{"f:a.png=a", "f:sub/b.png=b", "m:sub=0600"} << ""
        << "" << unreadableFolder << ThemeFailure::Unreadable << denied;
    QTest::newRow("file that cannot be read")
        << QList<QByteArray>{"f:a.png=a", "m:a.png=0200"} << ""
        << ""
        << "Can NOT read the resource file: %1/a.png" << ThemeFailure::Unreadable << denied;
    QTest::newRow("file name that is not UTF-8")
        << QList<QByteArray>{"f:a.png=a", "f:bad\xff.png=x"} << ""
        << ""
        << QStringLiteral("The resource name is not valid UTF-8: %1/bad") + QChar(0xDCFF) + ".png"
        << ThemeFailure::BadName << "";
    QTest::newRow("folder name that is not UTF-8")
        << QList<QByteArray>{"f:a.png=a", "f:\xfe/x=x"} << ""
        << "" << QStringLiteral("The resource name is not valid UTF-8: %1/") + QChar(0xDCFE)
        << ThemeFailure::BadName << "";
    QTest::newRow("file name the reader would refuse")
        << QList<QByteArray>{"f:a.png=a", "f:x\\..\\..\\evil=x"} << ""
        << ""
        << "The resource name would lead outside the folder it is unpacked into: %1/x\\..\\..\\evil"
        << ThemeFailure::Unsafe << "";
    for (const char *name : {"..", ".", "a/b", "a\\b"}) {
        QTest::addRow("theme name %s", name)
            << QList<QByteArray>{"f:a.png=a"} << name << ""
            << QStringLiteral(
                   "The theme name can NOT be \".\" or \"..\", nor hold \"/\" or \"\\\": ")
                   + name
            << ThemeFailure::BadThemeName << "";
    }
    // What the reader refuses is refused here too, before anything is replaced.
    QTest::newRow("names deeper than the reader takes, by backslashes")
        << QList<QByteArray>{"f:" + QByteArray(200, '\\') + "/" + QByteArray(100, '\\') + "=x"}
        << ""
        << ""
        << "The resource name holds more than 256 separators (\"/\" or \"\\\"), more than a theme file can hold: %1/"
               + QString(200, '\\') + "/" + QString(100, '\\')
        << ThemeFailure::TooLarge << "";
    QTest::newRow("theme name longer than the reader takes")
        << QList<QByteArray>{"f:a.png=a"} << QString(70000, 'n') << "out.tsk"
        << "The theme name is longer, or nests deeper, than a theme file can hold: "
               + QString(70000, 'n')
        << ThemeFailure::BadThemeName << "";
    QTest::newRow("archive onto a resource")
        << QList<QByteArray>{"f:a.png=a", "f:b.png=b"} << ""
        << "theme/a.png"
        << "The theme file would replace one of the resources being packed: %1/a.png"
        << ThemeFailure::Conflict << "";
    QTest::newRow("archive onto a resource that starts like an archive")
        << QList<QByteArray>{"f:a.png=a", "f:b.png=VLMR and then a picture"} << ""
        << "theme/b.png"
        << "The theme file would replace one of the resources being packed: %1/b.png"
        << ThemeFailure::Conflict << "";
    QTest::newRow("archive onto a FIFO") << QList<QByteArray>{"f:a.png=a", "p:../fifo"} << ""
                                         << "fifo"
                                         << "The theme file saved path is NOT validate."
                                         << ThemeFailure::Unwritable << "Not a regular file";
    QTest::newRow("archive onto a link to a device")
        << QList<QByteArray>{"f:a.png=a", "l:../null->/dev/null"} << ""
        << "null"
        << "The theme file saved path is NOT validate." << ThemeFailure::Unwritable
        << "Not a regular file";
    QTest::newRow("archive onto a resource through a link")
        << QList<QByteArray>{"f:a.png=a", "l:../out.tsk->theme/a.png"} << ""
        << "out.tsk"
        << "The theme file would replace one of the resources being packed: %1/a.png"
        << ThemeFailure::Conflict << "";
    // Two links per level to the next level double the routes per level: the
    // scan stops as soon as the archive would pass 2 GiB, or at 100,000
    // folders when the levels hold no files.
    const auto fanOut = [](const QByteArray &file, int filesPerLevel = 1) {
        QList<QByteArray> plants;
        for (int level = 0; level < 23; ++level) {
            const QByteArray here = "l" + QByteArray::number(level);
            const QByteArray next = "../l" + QByteArray::number(level + 1);
            plants << "d:" + here << "l:" + here + "/a->" + next << "l:" + here + "/b->" + next;
            for (int i = 0; !file.isEmpty() && i < filesPerLevel; ++i)
                plants << "s:" + here + "/" + QByteArray::number(i) + QByteArray(240, 'r') + "="
                              + file;
        }
        return plants;
    };
    QTest::newRow("folders nested over 256 deep")
        << QList<QByteArray>{"f:" + QByteArray("d/").repeated(257) + "x=x"} << ""
        << ""
        << "The folder nests folders more than 256 deep, more than a theme file can hold."
        << ThemeFailure::TooLarge << "";
    QTest::newRow("links that reach the same files by many routes")
        << fanOut(QByteArray::number(64 << 20)) << ""
        << ""
        << "The theme file would reach 2 GB, more than a theme file can hold."
        << ThemeFailure::TooLarge << "";
    QTest::newRow("links that reach the same small files by many routes")
        << fanOut("0", 4) << ""
        << ""
        << "The names of the folder's resources take more than 64 MiB together, more than a theme file can hold."
        << ThemeFailure::TooLarge << "";
    QTest::newRow("links that reach the same folders by many routes")
        << fanOut(QByteArray()) << ""
        << ""
        << "The folder holds more than 100,000 folders (counting every way that links lead to them), "
           "more than a theme file can hold."
        << ThemeFailure::TooLarge << "";
}

void TestThemePacker::refusesWhatCannotBePacked()
{
#ifndef Q_OS_UNIX
    QSKIP("permissions, links and names as POSIX systems have them");
#else
#ifdef VELMORO_PORTABLE_FILES
    if (QByteArray(QTest::currentDataTag()).endsWith("not UTF-8"))
        QSKIP("Qt's listing leaves out names it cannot decode: only the POSIX code sees them");
#endif
    QFETCH(QList<QByteArray>, planted);
    QFETCH(QString, themeName);
    QFETCH(QString, archive);
    QFETCH(QString, message);
    QFETCH(ThemeFailure, failure);
    QFETCH(QString, reason);
    const QString folder = temp->filePath(QStringLiteral("theme"));
    const auto cleanUp = qScopeGuard([&folder] { removeTree(folder); }); // locked, or not UTF-8
    for (const QByteArray &instruction : planted)
        QVERIFY2(plant(QFile::encodeName(folder), instruction), instruction.constData());
    const QString archivePath =
        temp->filePath(archive.isEmpty() ? QStringLiteral("theme.tsk") : archive);
    if (archive.isEmpty())
        writeFile(archivePath, "the archive packed yesterday");
    const bool wasFile =
        QFileInfo(archivePath).isFile(); // not a FIFO or device, which reading would block on
    const QByteArray before = wasFile ? readFile(archivePath) : QByteArray();

    ThemePacker packer;
    packer.folderPath = folder;
    packer.themeName = themeName;
    packer.themeFilePath = archive.isEmpty() ? QString() : archivePath;
    bool packed = false;
    {
        FilePermissionsEnforced asAnyUser;
        packed = packer.pack();
    }
    QVERIFY(!packed);
    QCOMPARE(packer.errorString,
             message.contains(QLatin1String("%1")) ? message.arg(folder) : message);
    QCOMPARE(packer.error.kind, failure);
    QCOMPARE(packer.error.reason(), reason);
    QCOMPARE(QFileInfo(archivePath).isFile(),
             wasFile); // a FIFO or device is not replaced by a file
    if (wasFile)
        QCOMPARE(readFile(archivePath), before);
    QCOMPARE(listAll(temp->path()).filter(QStringLiteral(".tsk.")),
             QStringList()); // no temporary file
#endif
}

QTEST_GUILESS_MAIN(TestThemePacker)
#include "tst_themepacker.moc"
