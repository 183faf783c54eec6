// SPDX-License-Identifier: MIT
#include "WindowProcess.h"

#include <QFileInfo>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>

#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int endSignals[] = {SIGTERM, SIGINT, SIGHUP};

// The handler may only do what is safe inside a signal: it writes the
// signal's number into a pipe, which the event loop reads.
int requestPipe[2] = {-1, -1};
struct sigaction previous[sizeof(endSignals) / sizeof(endSignals[0])];

extern "C" void noteEndRequest(int signal)
{
    const int savedErrno = errno;
    const unsigned char number = static_cast<unsigned char>(signal);
    [[maybe_unused]] const ssize_t written = ::write(requestPipe[1], &number, 1);
    // The next request is not asked politely again: it ends the process.
    struct sigaction plain = {};
    plain.sa_handler = SIG_DFL;
    for (const int other : endSignals)
        ::sigaction(other, &plain, nullptr);
    errno = savedErrno;
}

bool makePipe()
{
    if (::pipe(requestPipe) != 0)
        return false;
    for (const int fd : requestPipe) {
        ::fcntl(fd, F_SETFD, FD_CLOEXEC); // programs the desktop starts get none of it
        ::fcntl(fd, F_SETFL, O_NONBLOCK);
    }
    return true;
}

} // namespace

bool processRuns(qint64 pid)
{
    if (pid <= 0 || pid != qint64(pid_t(pid)))
        return false;
    return ::kill(pid_t(pid), 0) == 0 || errno != ESRCH;
}

bool ownedByThisUser(const QFileInfo &info)
{
    return info.ownerId() == ::getuid();
}

EndRequests::EndRequests(QObject *parent) : QObject(parent)
{
    if (!makePipe())
        return; // the signals keep ending the process at once
    notifier = new QSocketNotifier(requestPipe[0], QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, &EndRequests::receive);
    struct sigaction handler = {};
    handler.sa_handler = noteEndRequest;
    sigemptyset(&handler.sa_mask);
    handler.sa_flags = SA_RESTART;
    for (size_t i = 0; i < sizeof(endSignals) / sizeof(endSignals[0]); ++i)
        ::sigaction(endSignals[i], &handler, &previous[i]);
}

EndRequests::~EndRequests()
{
    if (!notifier)
        return;
    for (size_t i = 0; i < sizeof(endSignals) / sizeof(endSignals[0]); ++i)
        ::sigaction(endSignals[i], &previous[i], nullptr);
    delete notifier;
    for (int &fd : requestPipe) {
        ::close(fd);
        fd = -1;
    }
}

void EndRequests::receive()
{
    unsigned char number = 0;
    while (::read(requestPipe[0], &number, 1) == 1) {
        if (received == 0)
            received = number;
    }
    notifier->setEnabled(false); // one request is enough; a second one ends the process
    emit requested();
}
