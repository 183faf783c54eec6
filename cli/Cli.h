// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QList>
#include <QStringList>

class QIODevice;

// Exit statuses of velmoro-cli; a command stopped by a signal exits with
// 128 + the signal's number (130 for Ctrl+C, 143 for SIGTERM).
enum CliStatus {
    CliSuccess = 0,    // every item succeeded
    CliItemFailed = 1, // at least one folder or archive failed, or the output could not be written
    CliBadUsage = 2,
    // diff, as diff(1): 1 when the archives differ, 2 when they cannot be compared
    CliDifferent = 1,
    CliTrouble = 2,
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

// The arguments as the system passed them: bytes that are not UTF-8 (a file
// name from another system) would come out of the conversion to text
// changed, and the tool would act on another path. Such an argument is
// refused (CliBadUsage, with a line on `err`); CliSuccess otherwise.
int checkArgumentBytes(const QList<QByteArray> &arguments, QIODevice &err);
