#include "Interruption.h"

#include <QtGlobal>

#include <csignal>

namespace {

volatile std::sig_atomic_t requested = 0;

extern "C" void onInterruption(int signal)
{
    requested = signal;
    std::signal(signal, SIG_DFL); // the next one ends the process
}

#ifdef Q_OS_UNIX
struct sigaction previousInt;
struct sigaction previousTerm;

void watch(int signal, struct sigaction &previous)
{
    struct sigaction action = {};
    action.sa_handler = onInterruption;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0; // no SA_RESTART: a write blocked on a full pipe returns
    sigaction(signal, &action, &previous);
}
#else
void (*previousInt)(int) = SIG_DFL;
void (*previousTerm)(int) = SIG_DFL;
#endif

} // namespace

InterruptionWatch::InterruptionWatch()
{
    requested = 0;
#ifdef Q_OS_UNIX
    watch(SIGINT, previousInt);
    watch(SIGTERM, previousTerm);
#else
    previousInt = std::signal(SIGINT, onInterruption);
    previousTerm = std::signal(SIGTERM, onInterruption);
#endif
}

InterruptionWatch::~InterruptionWatch()
{
#ifdef Q_OS_UNIX
    sigaction(SIGINT, &previousInt, nullptr);
    sigaction(SIGTERM, &previousTerm, nullptr);
#else
    std::signal(SIGINT, previousInt);
    std::signal(SIGTERM, previousTerm);
#endif
}

int InterruptionWatch::signal()
{
    return requested;
}
