// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QList>
#include <QtGlobal>

class QFile;

// Reads parts of an archive through a window of it held in memory. Small
// resources lie one after the other, so most are in the window already:
// a theme of many small resources costs one read per window, not per
// resource.
class ArchiveWindow
{
public:
    // `capacity`: the bytes read at a time, and the most bytes() gives.
    ArchiveWindow(QFile &archive, qint64 capacity);

    // The `size` bytes at `offset` (at most the capacity), valid until the
    // next call; null when they cannot be read, with the system's error
    // number in `error` (0 when the file ends before them). When they are
    // not in the window, it moves to `offset` and reads the capacity, or
    // only `ahead` bytes (at least `size`) when no more are of use.
    const char *bytes(qint64 offset, qint64 size, int &error, qint64 ahead = -1);

    // As bytes(), but hands out the window itself: `shared` holds the bytes
    // from `from` on, and stays valid while the window moves on (a writer
    // thread may still be writing them out). False when they cannot be read.
    bool share(qint64 offset, qint64 size, QByteArray &shared, qsizetype &from, int &error);

private:
    void takeFreeBuffer(qint64 wanted);

    static constexpr qsizetype maxSpares = 4;
    QFile &file;
    qint64 capacity;
    QByteArray window;
    QList<QByteArray> spares; // earlier windows, some perhaps still held by writer threads
    qint64 start = 0;         // the offset of the window's first byte
};
