// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QString>

class QIODevice;

// Where a command's results and failures go. Results are gathered and
// written to standard output in large blocks; a write that fails (a full
// disk, a closed pipe) is remembered, so the tool can say so and fail
// instead of reporting success for output nobody got.
class CliOutput
{
public:
    CliOutput(QIODevice &standardOutput, QIODevice &standardError, bool printEachFile = false);

    QIODevice &out;
    QIODevice &err;
    bool verbose = false;
    bool errIsTerminal = false; // long jobs then show their progress there

    // Text for standard output: append to it, then call wrote().
    QByteArray &text() { return pending; }
    void wrote();
    // Writes out what is gathered; false once any write to standard output failed.
    bool flush();
    bool outputFailed() const { return failedError != 0; }
    int outputError() const { return failedError; }
    // A write to `out` failed with the system's error `error` (errno); for
    // bytes written there directly, as `cat` does. Remembered as a failure of
    // standard output; a reader that went away (EPIPE) stops the run as
    // SIGPIPE would; a write given up because a stop was requested (EINTR)
    // only ends the output: the run stops, nothing failed.
    void outputWriteFailed(int error);

    // One line on standard error: "velmoro-cli: ITEM: MESSAGE (REASON)", with
    // anything that came from an archive or a folder escaped for the terminal.
    void failure(const QString &item, const QString &message, const QString &reason = QString());
    // Writes standard output first, so lines keep their order on a terminal.
    void note(const QByteArray &line);

private:
    QByteArray pending;
    int failedError = 0;
    bool outputCut = false; // by a stop request: what follows would leave a gap
};
