// SPDX-License-Identifier: MIT
#include "ArchiveWindow.h"

#include <QFile>

#include <cerrno>

ArchiveWindow::ArchiveWindow(QFile &archive, qint64 windowCapacity)
    : file(archive), capacity(qMax<qint64>(1, windowCapacity))
{
}

const char *ArchiveWindow::bytes(qint64 offset, qint64 size, int &error, qint64 ahead)
{
    if (offset >= start && offset + size <= start + window.size())
        return window.constData() + (offset - start);
    const qint64 wanted = ahead < 0 ? capacity : qBound(size, ahead, capacity);
    if (window.isDetached())
        window.resize(qsizetype(wanted));
    else // a writer thread still holds the last window: a new one, not a copy
        window = QByteArray(qsizetype(wanted), Qt::Uninitialized);
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
