#pragma once

#include <QStringList>

class QIODevice;

// Exit statuses of velmoro-cli; a command stopped by a signal exits with
// 128 + the signal's number (130 for Ctrl+C, 143 for SIGTERM).
enum CliStatus {
    CliSuccess = 0,    // every item succeeded
    CliItemFailed = 1, // at least one folder or archive failed, or the output could not be written
    CliBadUsage = 2,
};

// Where velmoro-cli writes: results (and the bytes of `cat`) to `out`, one
// line per failure to `err`.
struct CliStreams
{
    QIODevice &out;
    QIODevice &err;
    bool errIsTerminal = false; // long jobs then show a progress line on it
};

// Runs velmoro-cli with `arguments` (the program name first) and returns the
// exit status. Kept apart from main() so the tests run the tool in-process.
int runCli(const QStringList &arguments, const CliStreams &streams);
