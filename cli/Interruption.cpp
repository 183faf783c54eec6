// SPDX-License-Identifier: MIT
#include "Interruption.h"

#include <QtGlobal>

#include <csignal>
#include <iterator>

namespace {

volatile std::sig_atomic_t requested = 0;

extern "C" void onInterruption(int signal)
{
    if (requested == 0)
        requested = signal;
    std::signal(signal, SIG_DFL); // the next one ends the process
}

#ifdef Q_OS_UNIX
const int watched[] = {SIGINT, SIGTERM, SIGHUP};
struct sigaction previous[3];
struct sigaction previousPipe;
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
    // A closed pipe makes the write fail (EPIPE) instead of killing the
    // process in the middle of a file, so the run can stop cleanly.
    struct sigaction ignore = {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGPIPE, &ignore, &previousPipe);
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
    sigaction(SIGPIPE, &previousPipe, nullptr);
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
