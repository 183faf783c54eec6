// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QtGlobal>

// Where velmoro-cli meets the system that started it: the standard
// descriptors it was given, the folder it runs in, and writes that a stop
// request must be able to cut short. POSIX systems in ProcessEdgesPosix.cpp,
// Windows in ProcessEdgesWindows.cpp.
namespace ProcessEdges {

// Opens standard input, output and error on the null device where the
// process was started without them (`>&-`). Run first in main(): otherwise
// the first descriptor opened later (an archive, or one Qt keeps for itself)
// takes the number, and output meant for the user goes into it. False when
// that cannot be done; `outputWasClosed` tells whether standard output was
// missing, so that what is written there can fail instead of vanishing.
bool openClosedStandardStreams(bool &outputWasClosed);

// Makes every large allocation a mapping of its own (glibc), so that a list
// of hundreds of thousands of entries grows in place instead of being copied
// into the heap, and memory given back leaves the process. Run first in main().
void keepLargeAllocationsMapped();

// The folder the process runs in, byte for byte as the system names it;
// empty where it cannot be had, or where the system names folders as text.
QByteArray currentFolder();

// Writes `length` bytes to the descriptor `fd`, retrying short writes, and
// returns how many were written. A write that waits (a pipe nobody reads, a
// terminal on hold) gives up at once when a stop is requested (Ctrl+C,
// SIGTERM, SIGHUP); after that only what goes out without waiting is written.
// When fewer bytes than asked were written, errno tells why (EINTR: stopped).
qint64 writeUntilStopped(int fd, const char *data, qint64 length);

} // namespace ProcessEdges
