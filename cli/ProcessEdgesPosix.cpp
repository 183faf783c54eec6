// SPDX-License-Identifier: MIT
#include "ProcessEdges.h"

#include "Interruption.h"

#include <algorithm>
#include <cerrno>
#include <climits>

#include <fcntl.h>
#ifdef __GLIBC__
#include <malloc.h>
#endif
#include <poll.h>
#include <unistd.h>

namespace {

bool isOpen(int fd)
{
    return ::fcntl(fd, F_GETFD) != -1 || errno != EBADF;
}

bool writableNow(int fd)
{
    pollfd target = {fd, POLLOUT, 0};
    return ::poll(&target, 1, 0) == 1 && (target.revents & POLLOUT) != 0;
}

} // namespace

bool ProcessEdges::openClosedStandardStreams(bool &outputWasClosed)
{
    outputWasClosed = !isOpen(STDOUT_FILENO);
    // In order: open() takes the lowest free number, the one missing.
    for (const int fd : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
        if (isOpen(fd))
            continue;
        const int opened = ::open("/dev/null", fd == STDIN_FILENO ? O_RDONLY : O_WRONLY);
        if (opened != fd) {
            if (opened >= 0)
                ::close(opened);
            return false;
        }
    }
    return true;
}

void ProcessEdges::keepLargeAllocationsMapped()
{
#ifdef __GLIBC__
    // A fixed threshold (glibc's default, 128 KiB) instead of one that rises
    // with every large block freed: those blocks would then come from the
    // heap, and each growth of a large list copy it there, old and new
    // both resident.
    ::mallopt(M_MMAP_THRESHOLD, 128 * 1024);
#endif
}

QByteArray ProcessEdges::currentFolder()
{
    QByteArray folder(256, Qt::Uninitialized);
    while (::getcwd(folder.data(), size_t(folder.size())) == nullptr) {
        if (errno != ERANGE || folder.size() > (qsizetype(1) << 20))
            return QByteArray(); // gone, or unreadable on the way up
        folder.resize(folder.size() * 2);
    }
    folder.truncate(qsizetype(qstrlen(folder.constData())));
    return folder;
}

qint64 ProcessEdges::writeUntilStopped(int fd, const char *data, qint64 length)
{
    qint64 written = 0;
    while (written < length) {
        size_t chunk = size_t(length - written);
        if (InterruptionWatch::signal() != 0) {
            if (!writableNow(fd)) {
                errno = EINTR;
                break;
            }
            chunk = std::min(chunk, size_t(PIPE_BUF)); // a pipe with room takes this at once
        }
        const ssize_t done = ::write(fd, data + written, chunk);
        if (done < 0 && errno == EINTR)
            continue; // stopped, or a signal that asks nothing: the loop's start tells
        if (done < 0)
            break;
        written += done;
    }
    return written;
}
