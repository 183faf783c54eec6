#pragma once

// Ctrl+C (SIGINT) and SIGTERM ask a running command to stop: the work in
// progress is cancelled cleanly (no partial archive, no half-written file)
// and the tool exits with 128 + the signal's number. A second signal ends the
// process at once, as it would without this.
class InterruptionWatch
{
public:
    InterruptionWatch();  // starts watching; any earlier request is forgotten
    ~InterruptionWatch(); // the signals do what they did before

    InterruptionWatch(const InterruptionWatch &) = delete;
    InterruptionWatch &operator=(const InterruptionWatch &) = delete;

    // The signal that asked to stop, or 0.
    static int signal();
};
