// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QIODevice>

#include <functional>

// Outcome of copying a known number of bytes from one device to another.
enum class CopyResult {
    Done,       // exactly the requested bytes were copied
    ReadShort,  // the source ended before the requested count
    ReadFailed, // reading the source failed
    WriteFailed,
    Cancelled, // the chunk callback asked to stop before the last chunk
};

// What a copy did, with the system's error number (errno) of a failed read
// or write, so that a message can name the real cause ("No space left on
// device", "Input/output error"); 0 when there is none.
struct CopyOutcome
{
    CopyResult result = CopyResult::Done;
    int systemError = 0;
};

// Told how many bytes each chunk copied; returns false to stop the copy.
using ChunkCallback = std::function<bool(qint64 copied)>;

// Copies `count` bytes from the current position of `from` to that of `to`.
// Between two files the kernel copies them directly where it can (Linux);
// otherwise they go through `buffer`, whose size sets the chunk size, so
// memory stays flat whatever the size of the resource.
// `chunkCopied`, when set, hears of every chunk (a buffer's worth, or a few
// MiB copied by the kernel), so a long copy can report and be stopped.
CopyOutcome copyBytes(QIODevice &from, QIODevice &to, qint64 count, QByteArray &buffer,
                      const ChunkCallback &chunkCopied = {});
