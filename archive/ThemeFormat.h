// SPDX-License-Identifier: MIT
#pragma once

#include "ThemeEntry.h"

#include <QByteArray>
#include <QtEndian>
#include <QtGlobal>

// Fixed facts of the .tsk layout shared by the packer and the reader.
namespace ThemeFormat {

inline constexpr char tag[] = "VLMR";
inline constexpr int tagSize = 4;
inline constexpr qint32 versionMajor = 1;
inline constexpr qint32 versionMinor = 0;
inline constexpr qint32 versionPatch = 0;

// Offset of the name block length: tag and three version numbers come first.
inline constexpr qint64 headerSize = 16;

// One index record: name offset and data offset.
inline constexpr qint64 indexRecordSize = 8;

// The end record is a name length of 0 with no padding.
inline constexpr qint64 endRecordSize = 4;

// Every offset is a signed 32-bit value, so an archive must stay below 2^31 bytes.
inline constexpr qint64 maxArchiveSize = Q_INT64_C(0x7FFFFFFF);

// A name of `length` bytes is followed by 1 to 4 zero bytes, never 0, so that
// every record before the data area stays on a 4-byte boundary.
constexpr qint64 padLength(qint64 length)
{
    return 4 - (length % 4);
}

// Bytes taken by a name record: length field, name and padding.
constexpr qint64 nameRecordSize(qint64 length)
{
    return 4 + length + padLength(length);
}

// Every integer of the layout is a signed 32-bit value, least significant
// byte first.
inline qint32 readInt32(const char *field)
{
    return qFromLittleEndian<qint32>(field);
}

inline QByteArray int32Bytes(qint32 value)
{
    QByteArray bytes(4, Qt::Uninitialized);
    qToLittleEndian<qint32>(value, bytes.data());
    return bytes;
}

// One index record as it lies in the file: name offset, then data offset.
inline IndexRecord readIndexRecord(const char *record)
{
    return IndexRecord{readInt32(record), readInt32(record + 4)};
}

} // namespace ThemeFormat
