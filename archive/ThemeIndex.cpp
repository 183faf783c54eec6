// SPDX-License-Identifier: MIT
#include "ThemeIndex.h"

#include "ThemeFormat.h"
#include "ThemeNames.h"
#include "ThemeRules.h"

#include <QIODevice>

#include <cerrno>
#include <cstring>
#include <limits>
#include <optional>

namespace {

const char noTagMessage[] = "Can NOT find the VLMR tag.";
const char damagedMessage[] = "The theme file is damaged.";
const char unsafeNameMessage[] =
    "The theme file holds a name that leads outside the folder it is unpacked into.";
const char tooLargeMessage[] =
    "The theme file holds more resources, or longer names, than Velmoro takes in.";
const char readFailedMessage[] = "Can NOT read the theme file.";

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

    // Appends `count` bytes to `bytes`.
    bool appendBytes(qint64 count, QByteArray &bytes)
    {
        if (!canRead(count))
            return false;
        const qsizetype start = bytes.size();
        bytes.resize(start + qsizetype(count));
        return take(bytes.data() + start, count);
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

    qint64 pos() const { return position; }
    // Whether the system refused a read (rather than the file ending), and
    // its errno.
    bool readFailed() const { return failed; }
    int readError() const { return error; }

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
        errno = 0;
        const qint64 got = device.read(block.data(), block.size());
        if (got < 0) {
            failed = true;
            error = errno;
        }
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
    bool failed = false;
    int error = 0;
};

ThemeError failure(ThemeFailure kind, const char *message)
{
    return {kind, QLatin1String(message), 0, QString(), QString()};
}

} // namespace

// The steps of reading one index, each refusing what it cannot trust.
class ThemeIndexReader
{
public:
    ThemeIndexReader(QIODevice &archive, qint64 archiveSize)
        : device(archive), in(archive, archiveSize), fileSize(archiveSize)
    {
    }

    ThemeError read(ThemeIndex &result);

private:
    ThemeError damaged() const;
    ThemeError readHeader();
    ThemeError readIndexRecords();
    ThemeError readNameRecords();
    ThemeError checkContents();
    ThemeError checkNames() const;

    QIODevice &device;
    FieldReader in;
    qint64 fileSize;
    qint32 version[3] = {};
    std::optional<ThemeRules::NameCheck> names; // once the theme name is known
    QList<IndexRecord> records;
    ThemeIndex index;
};

ThemeError ThemeIndexReader::damaged() const
{
    if (in.readFailed())
        return {ThemeFailure::Unreadable, QLatin1String(readFailedMessage), in.readError(),
                QString(), QString()};
    return failure(ThemeFailure::Damaged, damagedMessage);
}

ThemeError ThemeIndexReader::readHeader()
{
    QByteArray tag;
    if (!in.readBytes(ThemeFormat::tagSize, tag) || tag != ThemeFormat::tag)
        return in.readFailed() ? damaged() : failure(ThemeFailure::NotArchive, noTagMessage);
    // Offsets are 32-bit, so no complete archive reaches 2^31 bytes.
    if (fileSize > ThemeFormat::maxArchiveSize)
        return damaged();
    qint32 blockLength = 0;
    if (!in.readInt32(version[0]) || !in.readInt32(version[1]) || !in.readInt32(version[2])
        || !in.readInt32(blockLength))
        return damaged();
    if (blockLength < 4 || !in.canRead(blockLength))
        return damaged();
    if (blockLength > ThemeFormat::nameRecordSize(ThemeRules::maxNameLength))
        return failure(ThemeFailure::TooLarge, tooLargeMessage);
    QByteArray block;
    if (!in.readBytes(blockLength, block))
        return damaged();
    const qint32 nameLength = ThemeFormat::readInt32(block.constData());
    if (nameLength < 0 || nameLength > blockLength - 4)
        return damaged();
    index.themeName = ThemeNames::decode(block.constData() + 4, nameLength);
    names.emplace(index.themeName, nameLength);
    return {};
}

ThemeError ThemeIndexReader::readIndexRecords()
{
    qint32 indexLength = 0;
    if (!in.readInt32(indexLength) || indexLength < ThemeFormat::indexRecordSize
        || !in.canRead(indexLength))
        return damaged();
    // The closing record counts too; bytes beyond the last whole record are ignored.
    const qint64 count = indexLength / ThemeFormat::indexRecordSize - 1;
    if (count > ThemeRules::maxEntries)
        return failure(ThemeFailure::TooLarge, tooLargeMessage);
    QByteArray bytes;
    if (!in.readBytes(indexLength, bytes))
        return damaged();
    records.resize(count + 1);
    for (qint64 i = 0; i <= count; ++i)
        records[i] =
            ThemeFormat::readIndexRecord(bytes.constData() + i * ThemeFormat::indexRecordSize);
    return {};
}

ThemeError ThemeIndexReader::readNameRecords()
{
    const qint64 count = records.size() - 1;
    index.records.resize(count);
    for (qint64 i = 0; i < count; ++i) {
        // The name records follow the index directly, each where the index
        // says it is: an index that points elsewhere is not to be trusted.
        qint32 length = 0;
        if (records[i].nameOffset != in.pos() || !in.readInt32(length) || length < 0)
            return damaged();
        if (!names->countEntry(length))
            return in.canRead(length) ? failure(ThemeFailure::TooLarge, tooLargeMessage)
                                      : damaged();
        ThemeIndex::Record &record = index.records[i];
        record.nameStart = qint32(index.names.size());
        record.nameLength = length;
        record.offset = records[i].dataOffset;
        if (!in.appendBytes(length, index.names) || !in.skip(ThemeFormat::padLength(length)))
            return damaged();
    }
    if (records[count].nameOffset != in.pos() || !in.skip(ThemeFormat::endRecordSize))
        return damaged(); // the closing record points at the end record
    return {};
}

// The contents follow the end record directly, one after another, each
// where its data offset says; sizes are the gaps between data offsets, and
// the last one reaches to the end of the file, so bytes appended to an
// archive belong to its last entry. A closing record that points past the
// end of the file means the archive was cut short.
ThemeError ThemeIndexReader::checkContents()
{
    const qint64 count = index.records.size();
    const qint64 contentStart = in.pos();
    if (count > 0 && records[0].dataOffset != contentStart)
        return damaged();
    for (qint64 i = 0; i < count; ++i) {
        const qint64 next = i + 1 < count ? records[i + 1].dataOffset : fileSize;
        const qint64 size = next - index.records[i].offset;
        if (size < 0 || size > std::numeric_limits<qint32>::max())
            return damaged();
        index.records[i].size = qint32(size);
    }
    if (records[count].dataOffset > fileSize)
        return damaged();
    // The reader read ahead; the contents start right after the end record.
    errno = 0;
    if (!device.seek(contentStart))
        return {ThemeFailure::Unreadable, QLatin1String(readFailedMessage), errno, QString(),
                QString()};
    return {};
}

// Each name on its own, and joined to the theme name as an unpack joins them.
ThemeError ThemeIndexReader::checkNames() const
{
    const ThemeRules::NameCheck &check = *names;
    if (check.themeProblem() == ThemeRules::NameProblem::LeadsOutside)
        return failure(ThemeFailure::Unsafe, unsafeNameMessage);
    bool tooDeep = check.themeProblem() != ThemeRules::NameProblem::None;
    for (qsizetype i = 0; i < index.count(); ++i) {
        switch (check.entryProblem(index.name(i))) {
        case ThemeRules::NameProblem::None: break;
        case ThemeRules::NameProblem::LeadsOutside:
            return failure(ThemeFailure::Unsafe, unsafeNameMessage);
        case ThemeRules::NameProblem::TooLong:
        case ThemeRules::NameProblem::TooDeep: tooDeep = true; break;
        }
    }
    return tooDeep ? failure(ThemeFailure::TooLarge, tooLargeMessage) : ThemeError();
}

ThemeError ThemeIndexReader::read(ThemeIndex &result)
{
    ThemeError error = readHeader();
    if (!error.failed())
        error = readIndexRecords();
    if (!error.failed())
        error = readNameRecords();
    if (!error.failed())
        error = checkContents();
    if (error.failed())
        return error;
    error = checkNames();
    if (error.failed())
        return error;
    index.version = QStringLiteral("%1.%2.%3").arg(version[0]).arg(version[1]).arg(version[2]);
    result = std::move(index);
    return {};
}

QString ThemeIndex::name(qsizetype i) const
{
    const Record &record = records[i];
    return ThemeNames::decode(names.constData() + record.nameStart, record.nameLength);
}

QByteArrayView ThemeIndex::nameBytes(qsizetype i) const
{
    const Record &record = records[i];
    return QByteArrayView(names.constData() + record.nameStart, record.nameLength);
}

ThemeEntryList ThemeIndex::entries() const
{
    ThemeEntryList list;
    list.reserve(count());
    for (qsizetype i = 0; i < count(); ++i)
        list.append(entry(i));
    return list;
}

qint64 ThemeIndex::contentSize() const
{
    qint64 total = 0;
    for (const Record &record : records)
        total += record.size;
    return total;
}

ThemeError readThemeIndex(QIODevice &archive, qint64 archiveSize, ThemeIndex &index)
{
    ThemeIndexReader reader(archive, archiveSize);
    return reader.read(index);
}
