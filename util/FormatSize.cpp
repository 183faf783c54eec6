#include "FormatSize.h"

QString formatSize(qint64 size)
{
    if (size < 0)
        return QString();
    if (size < 1024)
        return QStringLiteral("%1 %2").arg(size).arg(QStringLiteral("B"));

    static const char *const units[] = {" KB", " MB", " GB", " TB"};
    int unit = 0;
    qint64 bound = Q_INT64_C(1) << 20;
    while (unit < 3 && size >= bound) {
        ++unit;
        bound <<= 10;
    }
    double value = double(size);
    for (int step = 0; step <= unit; ++step)
        value *= 1.0 / 1024; // exact in binary floating point

    // Rounded once to six significant digits, then cut (not rounded) to two
    // decimals, so 1048575 bytes shows as "1024 KB" and 1100 as "1.07 KB".
    const QString digits = QString::number(value, 'g', 6);
    const qsizetype point = digits.indexOf(QLatin1Char('.'));
    QString number = digits;
    if (point >= 0)
        number = (digits.left(point + 3) + QStringLiteral("00")).left(point + 3);
    return number + QLatin1String(units[unit]);
}
