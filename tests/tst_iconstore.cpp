// SPDX-License-Identifier: MIT
#include "icons/IconStore.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QPixmap>
#include <QTemporaryDir>
#include <QTest>

class TestIconStore : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void hasStandardEntries();
    void normalisesKeys_data();
    void normalisesKeys();
    void keepsSampleFilesForLaterRuns();
    void keysNeverReachStandardEntries();
    void holdsOnePixmapPerSize();
    void guardsAddIcons_data();
    void guardsAddIcons();
    void stretchesOverlay();
    void cleansUpWithoutCacheFolder();

private:
    QString cacheFile(const QString &name) const
    {
        return temp->filePath(QStringLiteral("data/Orvane/IconResource/IconCache/") + name);
    }
    static QIcon solid(const QColor &color, int size)
    {
        QPixmap pixmap(size, size);
        pixmap.fill(color);
        return QIcon(pixmap);
    }
    QScopedPointer<QTemporaryDir> temp;
};

void TestIconStore::init()
{
    temp.reset(new QTemporaryDir);
    QVERIFY(temp->isValid());
    qputenv("XDG_DATA_HOME", temp->filePath(QStringLiteral("data")).toUtf8());
}

void TestIconStore::hasStandardEntries()
{
    IconStore store;
    QVERIFY(!store.standardIcon(5, false).isNull()); // Folder
    QVERIFY(!store.standardIcon(6, true).isNull());  // File
    QVERIFY(store.standardIcon(7, false).isNull());
    QVERIFY(store.standardIcon(-1, true).isNull());
    QVERIFY(QFileInfo(cacheFile(QString())).isDir());
}

void TestIconStore::normalisesKeys_data()
{
    QTest::addColumn<QStringList>("keys");
    QTest::newRow("letter case") << QStringList{".PNG", ".png", ".Png"};
    QTest::newRow("separators") << QStringList{".a/b", ".a\\b", ".A/B"};
}

void TestIconStore::normalisesKeys()
{
    QFETCH(QStringList, keys);
    IconStore store;
    const int first = store.indexOf(keys.first());
    QVERIFY(first >= 7);
    for (const QString &key : keys)
        QCOMPARE(store.indexOf(key), first);
}

void TestIconStore::keepsSampleFilesForLaterRuns()
{
    {
        IconStore store;
        QVERIFY(!store.icon(QStringLiteral(".xyz"), false).isNull());
    }
    const QString sample = cacheFile(QStringLiteral("template.xyz"));
    QVERIFY(QFileInfo::exists(sample));
    QCOMPARE(QFileInfo(sample).size(), 0);

    // A later run finds the sample and makes no new one.
    QFile marker(sample);
    QVERIFY(marker.open(QIODevice::WriteOnly) && marker.write("kept") == 4);
    marker.close();
    IconStore later;
    QVERIFY(!later.icon(QStringLiteral(".XYZ"), true).isNull());
    QCOMPARE(QFileInfo(sample).size(), 4);
}

void TestIconStore::keysNeverReachStandardEntries()
{
    IconStore store;
    QVERIFY(store.indexOf(QStringLiteral("Folder")) != 5);
    QCOMPARE(store.indexOf(QString()), -1);
}

void TestIconStore::holdsOnePixmapPerSize()
{
    IconStore store;
    const int index = store.addIcons(solid(Qt::red, 64), solid(Qt::red, 64), QStringLiteral("big"));
    QCOMPARE(index, 7);
    QCOMPARE(store.standardIcon(index, true).availableSizes(), QList<QSize>{QSize(32, 32)});
    QCOMPARE(store.standardIcon(index, false).availableSizes(), QList<QSize>{QSize(16, 16)});
    // A smaller source stays smaller; it is not enlarged.
    const int small = store.addIcons(solid(Qt::red, 8), solid(Qt::red, 8), QStringLiteral("small"));
    QCOMPARE(store.standardIcon(small, true).availableSizes(), QList<QSize>{QSize(8, 8)});
    // Names given to addIcons are kept as they are.
    QCOMPARE(store.indexOf(QStringLiteral("big")), index);
    QVERIFY(store.indexOf(QStringLiteral("small")) == small);
}

void TestIconStore::guardsAddIcons_data()
{
    QTest::addColumn<bool>("overlay");
    QTest::addColumn<int>("nullArgument"); // 1 large, 2 small, 3 overlay, 4 name
    QTest::newRow("no large icon") << false << 1;
    QTest::newRow("no small icon") << false << 2;
    QTest::newRow("no name") << false << 4;
    QTest::newRow("overlay: no large icon") << true << 1;
    QTest::newRow("overlay: no small icon") << true << 2;
    QTest::newRow("overlay: no overlay") << true << 3;
    QTest::newRow("overlay: no name") << true << 4;
}

void TestIconStore::guardsAddIcons()
{
    QFETCH(bool, overlay);
    QFETCH(int, nullArgument);
    IconStore store;
    const QIcon large = nullArgument == 1 ? QIcon() : solid(Qt::red, 32);
    const QIcon small = nullArgument == 2 ? QIcon() : solid(Qt::red, 16);
    const QIcon top = nullArgument == 3 ? QIcon() : solid(Qt::blue, 8);
    const QString name = nullArgument == 4 ? QString() : QStringLiteral("name");
    const int index = overlay ? store.addIconsWithOverlay(large, small, top, name)
                              : store.addIcons(large, small, name);
    QCOMPARE(index, -1);
    QCOMPARE(store.addIcons(solid(Qt::red, 32), solid(Qt::red, 16), QStringLiteral("next")), 7);
}

void TestIconStore::stretchesOverlay()
{
    IconStore store;
    const int index = store.addIconsWithOverlay(solid(Qt::red, 32), solid(Qt::red, 16),
                                                solid(Qt::blue, 4), QStringLiteral("badged"));
    QCOMPARE(index, 7);
    for (const bool large : {true, false}) {
        const int size = large ? 32 : 16;
        const QImage image = store.standardIcon(index, large).pixmap(size).toImage();
        QCOMPARE(image.size(), QSize(size, size));
        QCOMPARE(QColor(image.pixel(size - 1, size - 1)), QColor(Qt::blue)); // not set in a corner
        QCOMPARE(QColor(image.pixel(0, 0)), QColor(Qt::blue));
    }
}

void TestIconStore::cleansUpWithoutCacheFolder()
{
    QFile blocker(temp->filePath(QStringLiteral("file")));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    qputenv("XDG_DATA_HOME", temp->filePath(QStringLiteral("file/data")).toUtf8());
    const QString scratch = temp->filePath(QStringLiteral("tmp"));
    QDir().mkpath(scratch);
    const QByteArray oldTemp = qgetenv("TMPDIR");
    qputenv("TMPDIR", scratch.toUtf8());

    IconStore store;
    const QIcon icon = store.icon(QStringLiteral(".qqq"), false);
    qputenv("TMPDIR", oldTemp);

    QVERIFY(!icon.isNull());
    QVERIFY(!QFileInfo::exists(QStringLiteral("/template.qqq")));
    QCOMPARE(QDir(scratch).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             QStringList());
}

QTEST_MAIN(TestIconStore)
#include "tst_iconstore.moc"
