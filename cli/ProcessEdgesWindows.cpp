// SPDX-License-Identifier: MIT
#include "ProcessEdges.h"

#include <io.h>

// Windows gives a console program its standard handles, and names folders as
// text (UTF-16): nothing to repair or refuse here. Ctrl+C runs its handler on
// a thread of its own and interrupts no write.

bool ProcessEdges::openClosedStandardStreams(bool &outputWasClosed)
{
    outputWasClosed = false;
    return true;
}

void ProcessEdges::keepLargeAllocationsMapped() {}

QByteArray ProcessEdges::currentFolder()
{
    return QByteArray();
}

qint64 ProcessEdges::writeUntilStopped(int fd, const char *data, qint64 length)
{
    qint64 written = 0;
    while (written < length) {
        const unsigned chunk = unsigned(qMin<qint64>(length - written, 1 << 30));
        const int done = ::_write(fd, data + written, chunk);
        if (done <= 0)
            break;
        written += done;
    }
    return written;
}
