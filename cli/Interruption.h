// SPDX-License-Identifier: MIT
#pragma once

// Ctrl+C (SIGINT), SIGTERM and a closed terminal (SIGHUP) ask a running
// command to stop: the work in progress is cancelled cleanly (no partial
// archive, no half-written file) and the tool exits with 128 + the signal's
// number, also while the run waits for a reader of its output (StandardStream
// gives up such a write). A second signal ends the process at once, as it
// would without this.
// A reader that went away (a closed pipe, SIGPIPE) stops the run the same way
// once the tool notices that its output cannot be written.
class InterruptionWatch
{
public:
    InterruptionWatch();  // starts watching; any earlier request is forgotten
    ~InterruptionWatch(); // the signals do what they did before

    InterruptionWatch(const InterruptionWatch &) = delete;
    InterruptionWatch &operator=(const InterruptionWatch &) = delete;

    // The signal that asked to stop, or 0.
    static int signal();

    // Stops the run as that signal would (the output's reader went away).
    static void request(int signal);
};
