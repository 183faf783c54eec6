// SPDX-License-Identifier: MIT
#include "StandardStream.h"

#include "ProcessEdges.h"

#include <cerrno>

StandardStream::StandardStream(int fd, bool wasMissing) : missing(wasMissing)
{
    open(fd, QIODevice::WriteOnly | QIODevice::Unbuffered, QFileDevice::DontCloseHandle);
}

qint64 StandardStream::writeData(const char *data, qint64 length)
{
    if (missing) {
        errno = EBADF;
        return -1;
    }
    const qint64 written = ProcessEdges::writeUntilStopped(handle(), data, length);
    return written > 0 || length == 0 ? written : -1;
}
