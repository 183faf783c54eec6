#pragma once

#include <QByteArray>
#include <QIODevice>

// Outcome of copying a known number of bytes from one device to another.
enum class CopyResult {
    Done,      // exactly the requested bytes were copied
    ReadShort, // the source ended (or failed) before the requested count
    WriteFailed,
};

// Copies `count` bytes from `from` to `to` through `buffer`, whose size sets
// the chunk size, so memory stays flat whatever the size of the resource.
CopyResult copyBytes(QIODevice &from, QIODevice &to, qint64 count, QByteArray &buffer);
