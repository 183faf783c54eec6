// SPDX-License-Identifier: MIT
#include "Interruption.h"

#include <QtGlobal>

#include <csignal>
#include <iterator>

#ifdef Q_OS_UNIX
#include <sys/time.h>
#endif

namespace {

volatile std::sig_atomic_t requested = 0;

#ifdef Q_OS_UNIX
// A write that is waiting for a reader returns when the signal comes, and
// sees the request. One that the signal catches just before it starts would
// wait on unwarned, for a reader that may never come; so once a stop is
// requested, a timer interrupts whatever the run waits in, every 20 ms, until
// the watch ends. (setitimer is not on POSIX's list of functions safe in a
// handler, but it is a bare system call on Linux and the BSDs.)
constexpr suseconds_t nudgeInterval = 20000; // microseconds

extern "C" void onNudge(int) {}

void nudgeEvery(suseconds_t interval)
{
    const itimerval timer = {{0, interval}, {0, interval}};
    setitimer(ITIMER_REAL, &timer, nullptr);
}

struct sigaction previousNudge;
#endif

extern "C" void onInterruption(int signal)
{
    if (requested == 0) {
        requested = signal;
#ifdef Q_OS_UNIX
        nudgeEvery(nudgeInterval);
#endif
    }
    std::signal(signal, SIG_DFL); // the next one ends the process
}

#ifdef Q_OS_UNIX
const int watched[] = {SIGINT, SIGTERM, SIGHUP};
struct sigaction previous[3];
// Ignored while a run goes on: a closed pipe and a file size limit then make
// the write fail (EPIPE, EFBIG) instead of killing the process in the middle
// of a file, which would leave its temporary file behind; the run stops or
// fails cleanly.
const int ignored[] = {SIGPIPE, SIGXFSZ};
struct sigaction previousIgnored[2];
#else
const int watched[] = {SIGINT, SIGTERM};
void (*previous[2])(int) = {SIG_DFL, SIG_DFL};
#endif

} // namespace

InterruptionWatch::InterruptionWatch()
{
    requested = 0;
    for (int i = 0; i < int(std::size(watched)); ++i) {
#ifdef Q_OS_UNIX
        struct sigaction action = {};
        action.sa_handler = onInterruption;
        sigemptyset(&action.sa_mask);
        action.sa_flags = 0; // no SA_RESTART: a write blocked on a full pipe returns
        sigaction(watched[i], &action, &previous[i]);
#else
        previous[i] = std::signal(watched[i], onInterruption);
#endif
    }
#ifdef Q_OS_UNIX
    struct sigaction ignore = {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    for (int i = 0; i < int(std::size(ignored)); ++i)
        sigaction(ignored[i], &ignore, &previousIgnored[i]);
    struct sigaction nudge = {};
    nudge.sa_handler = onNudge;
    sigemptyset(&nudge.sa_mask);
    sigaction(SIGALRM, &nudge, &previousNudge); // no SA_RESTART either
#endif
}

InterruptionWatch::~InterruptionWatch()
{
    for (int i = 0; i < int(std::size(watched)); ++i) {
#ifdef Q_OS_UNIX
        sigaction(watched[i], &previous[i], nullptr);
#else
        std::signal(watched[i], previous[i]);
#endif
    }
#ifdef Q_OS_UNIX
    for (int i = 0; i < int(std::size(ignored)); ++i)
        sigaction(ignored[i], &previousIgnored[i], nullptr);
    nudgeEvery(0);
    struct sigaction ignore = {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGALRM, &ignore, nullptr); // drops a tick still pending
    sigaction(SIGALRM, &previousNudge, nullptr);
#endif
}

int InterruptionWatch::signal()
{
    return requested;
}

void InterruptionWatch::request(int signal)
{
    if (requested == 0)
        requested = signal;
}
