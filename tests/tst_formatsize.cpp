// SPDX-License-Identifier: MIT
#include "util/FormatSize.h"

#include <QTest>

class TestFormatSize : public QObject
{
    Q_OBJECT

private slots:
    void formatsSizes_data();
    void formatsSizes();
};

void TestFormatSize::formatsSizes_data()
{
    QTest::addColumn<qint64>("size");
    QTest::addColumn<QString>("text");
    const auto row = [](qint64 size, const char *text) {
        QTest::addRow("%lld", size) << size << QString::fromLatin1(text);
    };
    row(-1, "");
    row(0, "0 B");
    row(1, "1 B");
    row(1023, "1023 B");
    row(1024, "1 KB");    // whole value: no decimals
    row(1025, "1.00 KB"); // six digits give 1.00098
    row(1100, "1.07 KB"); // cut, not rounded up
    row(1536, "1.50 KB"); // one decimal padded with '0'
    row(2047, "1.99 KB");
    row(2048, "2 KB");
    row(999999, "976.56 KB");
    row(1048575, "1024 KB"); // rounding reaches 1024; the unit stays KB
    row(1048576, "1 MB");
    row(3670016, "3.50 MB");
    row(123456789, "117.73 MB");
    row(2147483647, "2 GB");
    row(5000000000LL, "4.65 GB");
    row(1099511627776LL, "1 TB");
}

void TestFormatSize::formatsSizes()
{
    QFETCH(qint64, size);
    QFETCH(QString, text);
    QCOMPARE(formatSize(size), text);
}

QTEST_GUILESS_MAIN(TestFormatSize)
#include "tst_formatsize.moc"
