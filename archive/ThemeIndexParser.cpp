// SPDX-License-Identifier: MIT
#include "ThemeIndexParser.h"

#include "ThemeFormat.h"
#include "ThemeNames.h"

#include <QIODevice>

#include <cstring>
#include <limits>

namespace {

// Reads fields front to back in large blocks, and keeps count of what is
// left of the file, so that no length is trusted beyond it.
class FieldReader
{
public:
    FieldReader(QIODevice &archive, qint64 size)
        : device(archive), position(archive.pos()), left(size - archive.pos())
    {
    }

    bool canRead(qint64 count) const { return count >= 0 && count <= left; }

    bool readBytes(qint64 count, QByteArray &bytes)
    {
        if (!canRead(count))
            return false;
        bytes.resize(qsizetype(count));
        return take(bytes.data(), count);
    }

    bool readInt32(qint32 &value)
    {
        char field[4];
        if (!canRead(4) || !take(field, 4))
            return false;
        value = ThemeFormat::readInt32(field);
        return true;
    }

    bool skip(qint64 count) { return canRead(count) && take(nullptr, count); }

    qint64 remaining() const { return left; }
    qint64 pos() const { return position; }

private:
    // Copies (or, with no target, passes over) the next `count` bytes.
    bool take(char *target, qint64 count)
    {
        while (count > 0) {
            if (blockStart == block.size() && !refill())
                return false;
            const qint64 n = qMin<qint64>(count, block.size() - blockStart);
            if (target) {
                memcpy(target, block.constData() + blockStart, size_t(n));
                target += n;
            }
            blockStart += n;
            position += n;
            left -= n;
            count -= n;
        }
        return true;
    }

    bool refill()
    {
        block.resize(qsizetype(qMin<qint64>(blockSize, left)));
        const qint64 got = device.read(block.data(), block.size());
        block.resize(qsizetype(qMax<qint64>(got, 0)));
        blockStart = 0;
        return got > 0;
    }

    static constexpr qint64 blockSize = qint64(64) * 1024;
    QIODevice &device;
    QByteArray block;
    qsizetype blockStart = 0;
    qint64 position;
    qint64 left;
};

} // namespace

ThemeIndexStatus parseThemeIndex(QIODevice &archive, qint64 archiveSize, ThemeIndex &index)
{
    FieldReader in(archive, archiveSize);
    QByteArray tag;
    if (!in.readBytes(ThemeFormat::tagSize, tag) || tag != ThemeFormat::tag)
        return ThemeIndexStatus::NoTag;
    // Offsets are 32-bit, so no complete archive reaches 2^31 bytes.
    if (archiveSize > ThemeFormat::maxArchiveSize)
        return ThemeIndexStatus::Damaged;

    qint32 major = 0, minor = 0, patch = 0, nameBlockLength = 0;
    if (!in.readInt32(major) || !in.readInt32(minor) || !in.readInt32(patch)
        || !in.readInt32(nameBlockLength))
        return ThemeIndexStatus::Damaged;

    QByteArray nameBlock;
    if (nameBlockLength < 4 || !in.canRead(nameBlockLength))
        return ThemeIndexStatus::Damaged;
    if (nameBlockLength > ThemeFormat::nameRecordSize(ThemeFormat::maxNameLength))
        return ThemeIndexStatus::TooLarge;
    if (!in.readBytes(nameBlockLength, nameBlock))
        return ThemeIndexStatus::Damaged;
    const qint32 nameLength = ThemeFormat::readInt32(nameBlock.constData());
    if (nameLength < 0 || nameLength > nameBlockLength - 4)
        return ThemeIndexStatus::Damaged;
    if (nameLength > ThemeFormat::maxNameLength)
        return ThemeIndexStatus::TooLarge;
    const QString themeName = ThemeNames::decode(nameBlock.constData() + 4, nameLength);

    qint32 indexLength = 0;
    QByteArray indexBytes;
    if (!in.readInt32(indexLength) || indexLength < ThemeFormat::indexRecordSize
        || !in.canRead(indexLength))
        return ThemeIndexStatus::Damaged;
    // The closing record counts too; bytes beyond the last whole record are ignored.
    const qint64 count = indexLength / ThemeFormat::indexRecordSize - 1;
    if (count > ThemeFormat::maxEntries)
        return ThemeIndexStatus::TooLarge;
    if (!in.readBytes(indexLength, indexBytes))
        return ThemeIndexStatus::Damaged;
    QList<IndexRecord> records(count + 1);
    for (qint64 i = 0; i <= count; ++i)
        records[i] =
            ThemeFormat::readIndexRecord(indexBytes.constData() + i * ThemeFormat::indexRecordSize);

    ThemeEntryList entries;
    entries.reserve(count);
    QByteArray name;
    qint64 namesLength = 0;
    for (qint64 i = 0; i < count; ++i) {
        qint32 length = 0;
        if (!in.readInt32(length))
            return ThemeIndexStatus::Damaged;
        namesLength += length;
        if (length > ThemeFormat::maxNameLength || namesLength > ThemeFormat::maxNamesLength)
            return in.canRead(length) ? ThemeIndexStatus::TooLarge : ThemeIndexStatus::Damaged;
        if (!in.readBytes(length, name) || !in.skip(ThemeFormat::padLength(length)))
            return ThemeIndexStatus::Damaged;
        ThemeEntry entry;
        entry.name = ThemeNames::decode(name.constData(), name.size());
        entry.offset = records[i].dataOffset;
        entries.append(std::move(entry));
    }
    if (!in.skip(ThemeFormat::endRecordSize))
        return ThemeIndexStatus::Damaged;

    // The contents follow the end record directly, one after another, each
    // where its data offset says; sizes are the gaps between data offsets,
    // and the last one reaches to the end of the file, so bytes appended to
    // an archive belong to its last entry. A closing record that points past
    // the end of the file means the archive was cut short.
    const qint64 contentStart = in.pos();
    if (count > 0 && records[0].dataOffset != contentStart)
        return ThemeIndexStatus::Damaged;
    for (qint64 i = 0; i < count; ++i) {
        const qint64 next = i + 1 < count ? records[i + 1].dataOffset : archiveSize;
        const qint64 size = next - entries[i].offset;
        if (size < 0 || size > std::numeric_limits<qint32>::max())
            return ThemeIndexStatus::Damaged;
        entries[i].size = qint32(size);
    }
    if (records[count].dataOffset > archiveSize)
        return ThemeIndexStatus::Damaged;
    // The reader read ahead; the contents start right after the end record.
    if (!archive.seek(contentStart))
        return ThemeIndexStatus::Damaged;

    // Each name is checked on its own and joined to the theme name, as the
    // extractor joins them.
    if (!ThemeNames::isSafeName(themeName))
        return ThemeIndexStatus::UnsafeName;
    for (const ThemeEntry &entry : std::as_const(entries)) {
        if (!ThemeNames::isSafeName(entry.name)
            || !ThemeNames::staysInsideThemeFolder(themeName, entry.name))
            return ThemeIndexStatus::UnsafeName;
    }
    // Folders nested thousands deep are no theme, only work for the disk.
    const qsizetype themeDepth = ThemeNames::separatorCount(themeName);
    for (const ThemeEntry &entry : std::as_const(entries)) {
        if (themeDepth + ThemeNames::separatorCount(entry.name) > ThemeFormat::maxDepth)
            return ThemeIndexStatus::TooLarge;
    }

    index.themeName = themeName;
    index.version = QStringLiteral("%1.%2.%3").arg(major).arg(minor).arg(patch);
    index.contentStart = contentStart;
    index.entries = std::move(entries);
    return ThemeIndexStatus::Ok;
}
