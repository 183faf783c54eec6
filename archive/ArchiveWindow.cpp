// SPDX-License-Identifier: MIT
#include "ArchiveWindow.h"

#include <QFile>

#include <cerrno>
#include <utility>

ArchiveWindow::ArchiveWindow(QFile &archive, qint64 windowCapacity)
    : file(archive), capacity(qMax<qint64>(1, windowCapacity))
{
}

// A writer thread may still hold the last window: it is kept aside and a
// buffer no one holds any more is taken instead, so windows are not mapped
// afresh (and faulted in page by page) for every megabyte read.
void ArchiveWindow::takeFreeBuffer(qint64 wanted)
{
    if (!window.isDetached()) {
        qsizetype free = 0;
        while (free < spares.size() && !spares[free].isDetached())
            ++free;
        if (free < spares.size())
            std::swap(window, spares[free]);
        else if (spares.size() < maxSpares && !window.isNull())
            spares.append(std::exchange(window, QByteArray()));
    }
    if (window.isDetached())
        window.resize(qsizetype(wanted));
    else // every buffer is still held: a new one, not a copy
        window = QByteArray(qsizetype(wanted), Qt::Uninitialized);
}

const char *ArchiveWindow::bytes(qint64 offset, qint64 size, int &error, qint64 ahead)
{
    if (offset >= start && offset + size <= start + window.size())
        return window.constData() + (offset - start);
    const qint64 wanted = ahead < 0 ? capacity : qBound(size, ahead, capacity);
    takeFreeBuffer(wanted);
    errno = 0;
    const bool sought = file.seek(offset);
    const qint64 got = sought ? file.read(window.data(), wanted) : -1;
    error = got < 0 ? errno : 0;
    window.resize(qsizetype(qMax<qint64>(0, got)));
    start = offset;
    return got >= size ? window.constData() : nullptr;
}

bool ArchiveWindow::share(qint64 offset, qint64 size, QByteArray &shared, qsizetype &from,
                          int &error)
{
    if (!bytes(offset, size, error))
        return false;
    shared = window;
    from = qsizetype(offset - start);
    return true;
}
