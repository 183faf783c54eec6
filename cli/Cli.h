#pragma once

#include <QStringList>

class QTextStream;

// Exit statuses of velmoro-cli.
enum CliStatus {
    CliSuccess = 0,   // every item succeeded
    CliItemFailed = 1, // at least one folder or archive failed
    CliBadUsage = 2,
};

// Runs velmoro-cli with `arguments` (the program name first), writing results
// to `out` and one line per failure to `err`; returns the exit status. Kept
// apart from main() so the tests run the tool in-process.
int runCli(const QStringList &arguments, QTextStream &out, QTextStream &err);
