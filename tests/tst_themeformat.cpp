// SPDX-License-Identifier: MIT
// The byte layout the packer writes, checked against worked examples written
// out by hand and against an archive builder that follows the layout directly.

#include "TestArchive.h"
#include "archive/ThemePacker.h"
#include "archive/ThemeReader.h"

#include <QTemporaryDir>
#include <QTest>

using namespace TestArchive;

class TestThemeFormat : public QObject
{
    Q_OBJECT

private slots:
    void packsWorkedExamples_data();
    void packsWorkedExamples();
    void padsNamesByUtf8Length_data();
    void padsNamesByUtf8Length();
    void int32RoundTrip_data();
    void int32RoundTrip();
    void decodesShortFieldsAsZero();

private:
    QByteArray packFolder(const QByteArray &themeName, const QList<Entry> &files);
    QTemporaryDir temp;
};

QByteArray TestThemeFormat::packFolder(const QByteArray &themeName, const QList<Entry> &files)
{
    static int serial = 0;
    const QString folder = temp.filePath(QStringLiteral("folder%1").arg(++serial));
    QDir().mkpath(folder);
    for (const Entry &file : files)
        writeFile(folder + QString::fromUtf8(file.first), file.second);
    ThemePacker packer;
    packer.folderPath = folder;
    packer.themeName = QString::fromUtf8(themeName);
    packer.themeFilePath = folder + QStringLiteral(".tsk");
    if (!packer.pack())
        return "pack failed: " + packer.errorString.toUtf8();
    return readFile(packer.themeFilePath);
}

void TestThemeFormat::packsWorkedExamples_data()
{
    QTest::addColumn<QList<Entry>>("files");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("two files, 105 bytes")
        << QList<Entry>{{"/a.png", "0123456789"}, {"/img/bg.jpg", "abc"}}
        << QByteArray::fromHex("564C4D52 01000000 00000000 00000000"
                               "0C000000 04000000 64656D6F 00000000"
                               "18000000 3C000000 5C000000 48000000 66000000 58000000 69000000"
                               "06000000 2F612E706E67 0000"
                               "0B000000 2F696D672F62672E6A7067 00"
                               "00000000"
                               "30313233343536373839 616263");
    QTest::newRow("no files, 48 bytes") << QList<Entry>{}
                                        << QByteArray::fromHex("564C4D52 01000000 00000000 00000000"
                                                               "0C000000 04000000 64656D6F 00000000"
                                                               "08000000 2C000000 30000000"
                                                               "00000000");
}

void TestThemeFormat::packsWorkedExamples()
{
    QFETCH(QList<Entry>, files);
    QFETCH(QByteArray, expected);
    QCOMPARE(packFolder("demo", files).toHex(' '), expected.toHex(' '));
}

void TestThemeFormat::padsNamesByUtf8Length_data()
{
    QTest::addColumn<QByteArray>("themeName");
    QTest::addColumn<QList<Entry>>("files");

    QTest::newRow("theme name of 8 bytes") << QByteArray("abcdefgh") << QList<Entry>{{"/x", "1"}};
    QTest::newRow("theme name of 4 bytes") << QByteArray("abcd") << QList<Entry>{{"/x", "1"}};
    QTest::newRow("theme name of 5 bytes") << QByteArray("abcde") << QList<Entry>{{"/x", "1"}};
    QTest::newRow("entry names of 4, 8 and 12 bytes")
        << QByteArray("t") << QList<Entry>{{"/abc", "1"}, {"/abcdefg", "22"}, {"/abcdefghijk", ""}};
    QTest::newRow("non-ASCII names count bytes")
        << QByteArray("主题") << QList<Entry>{{"/é", "é"}, {"/图片/背景.png", "png"}};
    QTest::newRow("zero-byte files") << QByteArray("z") << QList<Entry>{{"/a", ""}, {"/b", ""}};
}

void TestThemeFormat::padsNamesByUtf8Length()
{
    QFETCH(QByteArray, themeName);
    QFETCH(QList<Entry>, files);
    const QByteArray packed = packFolder(themeName, files);
    QCOMPARE(packed.toHex(' '), build(themeName, files).toHex(' '));
}

void TestThemeFormat::int32RoundTrip_data()
{
    QTest::addColumn<qint32>("value");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("zero") << 0 << QByteArray::fromHex("00000000");
    QTest::newRow("105") << 105 << QByteArray::fromHex("69000000");
    QTest::newRow("byte order") << 0x12345678 << QByteArray::fromHex("78563412");
    QTest::newRow("minus one") << -1 << QByteArray::fromHex("FFFFFFFF");
    QTest::newRow("largest") << 0x7FFFFFFF << QByteArray::fromHex("FFFFFF7F");
    QTest::newRow("smallest") << qint32(0x80000000) << QByteArray::fromHex("00000080");
}

void TestThemeFormat::int32RoundTrip()
{
    QFETCH(qint32, value);
    QFETCH(QByteArray, bytes);
    QCOMPARE(ThemePacker::encodeInt32(value), bytes);
    QCOMPARE(ThemeReader::decodeInt32(bytes), value);
    QCOMPARE(ThemeReader::decodeInt32(bytes + "trailing"), value);
}

void TestThemeFormat::decodesShortFieldsAsZero()
{
    QCOMPARE(ThemeReader::decodeInt32(QByteArray()), 0);
    QCOMPARE(ThemeReader::decodeInt32(QByteArray::fromHex("FFFFFF")), 0);
}

QTEST_GUILESS_MAIN(TestThemeFormat)
#include "tst_themeformat.moc"
