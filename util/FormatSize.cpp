// SPDX-License-Identifier: MIT
#include "FormatSize.h"

#include <charconv>
#include <cstring>

namespace {

// `size` / 2^shift rounded to six significant digits in the general form
// ("%.6g": 1.5, 2, 117.738, 1e+06), as the toolkit prints it: a value exactly
// halfway between two roundings goes up, where the C library rounds to even.
int roundedDigits(qint64 size, int shift, double value, char (&digits)[32])
{
    // Halfway means that size * 10^(5 - e) / 2^shift, e being the power of
    // ten of the value's first digit, ends in exactly one half.
    bool halfway = true;                                // unless shown otherwise, ask the toolkit
    if (value < 10000 && size < (Q_INT64_C(1) << 44)) { // the product fits in 64 bits
        const int e = value >= 1000 ? 3 : value >= 100 ? 2 : value >= 10 ? 1 : 0;
        qint64 scaled = size;
        for (int i = e; i < 5; ++i)
            scaled *= 10;
        const qint64 fraction = scaled & ((Q_INT64_C(1) << shift) - 1);
        halfway = fraction == (Q_INT64_C(1) << (shift - 1));
    }
    if (halfway)
        return int(qstrlen(qstrcpy(digits, QString::number(value, 'g', 6).toLatin1().constData())));
    return int(
        std::to_chars(digits, digits + sizeof digits, value, std::chars_format::general, 6).ptr
        - digits);
}

} // namespace

int formatSize(qint64 size, char (&text)[32])
{
    if (size < 0)
        return 0;
    if (size < 1024) {
        char *end = std::to_chars(text, text + sizeof text, size).ptr;
        *end++ = ' ';
        *end++ = 'B';
        return int(end - text);
    }

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

    // Rounded once to six significant digits (as "%.6g" does), then cut (not
    // rounded) to two decimals, so 1048575 bytes shows as "1024 KB" and 1100
    // as "1.07 KB".
    char digits[32];
    int length = roundedDigits(size, 10 * (unit + 1), value, digits);
    const char *point = static_cast<const char *>(std::memchr(digits, '.', size_t(length)));
    if (point) {
        const int whole = int(point - digits);
        const int decimals = std::min(2, length - whole - 1);
        length = whole + 1 + decimals;
        std::memcpy(text, digits, size_t(length));
        for (int pad = decimals; pad < 2; ++pad)
            text[length++] = '0';
    } else {
        std::memcpy(text, digits, size_t(length));
    }
    std::memcpy(text + length, units[unit], 3);
    return length + 3;
}

QString formatSize(qint64 size)
{
    char text[32];
    return QString::fromLatin1(text, formatSize(size, text));
}
