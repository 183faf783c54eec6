// SPDX-License-Identifier: MIT
#include "ThemeNames.h"

#include <QVarLengthArray>

namespace {

using Parts = QVarLengthArray<QStringView, 32>;

#ifdef Q_OS_WIN
constexpr bool backslashSeparatesHere = true;
#else
constexpr bool backslashSeparatesHere = false;
#endif

// Length of the valid UTF-8 sequence that starts at `p` (1 to 4 bytes), or
// 0 when the bytes there are none: overlong forms, surrogates and code
// points past U+10FFFF are invalid too.
int sequenceLength(const uchar *p, const uchar *end)
{
    const uchar lead = p[0];
    if (lead < 0x80)
        return 1;
    int length = 0;
    if (lead >= 0xC2 && lead <= 0xDF)
        length = 2;
    else if (lead >= 0xE0 && lead <= 0xEF)
        length = 3;
    else if (lead >= 0xF0 && lead <= 0xF4)
        length = 4;
    else
        return 0;
    if (end - p < length)
        return 0;
    for (int i = 1; i < length; ++i) {
        if ((p[i] & 0xC0) != 0x80)
            return 0;
    }
    if ((lead == 0xE0 && p[1] < 0xA0) || (lead == 0xED && p[1] > 0x9F)
        || (lead == 0xF0 && p[1] < 0x90) || (lead == 0xF4 && p[1] > 0x8F))
        return 0;
    return length;
}

bool isSeparator(QChar c, bool backslashSeparates)
{
    return c == QLatin1Char('/') || (backslashSeparates && c == QLatin1Char('\\'));
}

// The components of `path`, empty and "." ones dropped and ".." taking back
// the one before it; false when ".." would go above where the path starts.
bool normalise(QStringView path, bool backslashSeparates, Parts &parts)
{
    qsizetype start = 0;
    for (qsizetype i = 0; i <= path.size(); ++i) {
        if (i < path.size() && !isSeparator(path[i], backslashSeparates))
            continue;
        const QStringView part = path.mid(start, i - start);
        start = i + 1;
        if (part.isEmpty() || part == u".")
            continue;
        if (part == u"..") {
            if (parts.isEmpty())
                return false;
            parts.removeLast();
            continue;
        }
        parts.append(part);
    }
    return true;
}

QStringList toList(const Parts &parts, qsizetype from)
{
    QStringList list;
    list.reserve(parts.size() - from);
    for (qsizetype i = from; i < parts.size(); ++i)
        list.append(parts[i].toString());
    return list;
}

} // namespace

namespace ThemeNames {

// 1 when `bytes` is plain ASCII, 2 when it is other valid UTF-8, 0 otherwise.
int utf8Kind(const char *bytes, qsizetype size)
{
    const auto *p = reinterpret_cast<const uchar *>(bytes);
    const uchar *end = p + size;
    int kind = 1;
    while (p < end) {
        if (*p < 0x80) { // most names are plain ASCII
            ++p;
            continue;
        }
        const int length = sequenceLength(p, end);
        if (length == 0)
            return 0;
        p += length;
        kind = 2;
    }
    return kind;
}

bool isUtf8(const char *bytes, qsizetype size)
{
    return utf8Kind(bytes, size) != 0;
}

QString decode(const char *bytes, qsizetype size)
{
    switch (utf8Kind(bytes, size)) {
    case 1: return QString::fromLatin1(bytes, size);
    case 2: return QString::fromUtf8(bytes, size);
    }
    QString name;
    name.reserve(size);
    const auto *p = reinterpret_cast<const uchar *>(bytes);
    const uchar *end = p + size;
    while (p < end) {
        const int length = sequenceLength(p, end);
        if (length == 0) {
            name += QChar(char16_t(0xDC00 + *p)); // bytes of invalid sequences are >= 0x80
            ++p;
        } else {
            name += QString::fromUtf8(reinterpret_cast<const char *>(p), length);
            p += length;
        }
    }
    return name;
}

QByteArray encode(QStringView name)
{
    QByteArray bytes;
    qsizetype runStart = 0;
    for (qsizetype i = 0; i < name.size(); ++i) {
        const int byte = invalidByteAt(name, i);
        if (byte < 0)
            continue;
        bytes += name.mid(runStart, i - runStart).toUtf8();
        bytes += char(byte);
        runStart = i + 1;
    }
    if (runStart == 0)
        return name.toUtf8();
    return bytes + name.mid(runStart).toUtf8();
}

int invalidByteAt(QStringView name, qsizetype i)
{
    const char16_t c = name[i].unicode();
    if (c < 0xDC80 || c > 0xDCFF)
        return -1;
    if (i > 0 && name[i - 1].isHighSurrogate())
        return -1; // the second half of a character beyond U+FFFF
    return c - 0xDC00;
}

bool holdsInvalidBytes(QStringView name)
{
    for (qsizetype i = 0; i < name.size(); ++i) {
        if (invalidByteAt(name, i) >= 0)
            return true;
    }
    return false;
}

qsizetype separatorCount(QStringView name)
{
    return name.count(QLatin1Char('/')) + name.count(QLatin1Char('\\'));
}

bool isSafeName(QStringView name)
{
    // One pass: a NUL anywhere, or a component of exactly two dots.
    qsizetype componentLength = 0;
    qsizetype dots = 0;
    for (const QChar c : name) {
        if (c.isNull())
            return false;
        if (isSeparator(c, true)) {
            if (componentLength == 2 && dots == 2)
                return false;
            componentLength = dots = 0;
            continue;
        }
        ++componentLength;
        dots += c == QLatin1Char('.');
    }
    return !(componentLength == 2 && dots == 2);
}

bool staysInsideThemeFolder(QStringView themeName, QStringView entryName)
{
    // As the packer writes them: an entry name that starts with "/" adds its
    // own components to the theme folder's, and without ".." (both names
    // passed isSafeName) none of them can take one of the theme folder's back.
    if (entryName.startsWith(QLatin1Char('/')))
        return true;
    QString joined = themeName.toString();
    joined += entryName;
    for (const bool backslashSeparates : {false, true}) {
        Parts theme;
        Parts file;
        if (!normalise(themeName, backslashSeparates, theme)
            || !normalise(joined, backslashSeparates, file) || file.size() < theme.size())
            return false;
        for (qsizetype i = 0; i < theme.size(); ++i) {
            if (theme[i] != file[i])
                return false;
        }
    }
    return true;
}

QStringList themeFolderComponents(QStringView themeName)
{
    Parts theme;
    normalise(themeName, backslashSeparatesHere, theme);
    return toList(theme, 0);
}

EntryPlace entryPlace(QStringView themeName, QStringView entryName)
{
    Parts theme;
    Parts file;
    QString joined = themeName.toString();
    joined += entryName;
    normalise(themeName, backslashSeparatesHere, theme);
    normalise(joined, backslashSeparatesHere, file);
    EntryPlace place;
    place.folders = toList(file, qMin(theme.size(), file.size()));
    // What follows the last separator: nothing or "." leaves the path at a folder.
    qsizetype last = entryName.size();
    while (last > 0 && !isSeparator(entryName[last - 1], backslashSeparatesHere))
        --last;
    const QStringView tail = entryName.mid(last);
    if (!tail.isEmpty() && tail != u"." && !place.folders.isEmpty())
        place.file = place.folders.takeLast();
    return place;
}

QString resourcePath(QStringView themeName, QStringView entryName)
{
    return entryComponents(themeName, entryName).join(QLatin1Char('/'));
}

QStringList entryComponents(QStringView themeName, QStringView entryName)
{
    EntryPlace place = entryPlace(themeName, entryName);
    if (!place.file.isEmpty())
        place.folders.append(place.file);
    return place.folders;
}

} // namespace ThemeNames
