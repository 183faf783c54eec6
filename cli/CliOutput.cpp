// SPDX-License-Identifier: MIT
#include "CliOutput.h"

#include "Interruption.h"
#include "TerminalText.h"

#include <QDir>
#include <QIODevice>

#include <cerrno>
#include <csignal>

namespace {
// Large enough that a long listing costs few writes.
constexpr qsizetype blockSize = qsizetype(64) * 1024;
} // namespace

CliOutput::CliOutput(QIODevice &standardOutput, QIODevice &standardError, bool printEachFile)
    : out(standardOutput), err(standardError), verbose(printEachFile)
{
    pending.reserve(blockSize * 2);
}

void CliOutput::wrote()
{
    if (pending.size() >= blockSize)
        flush();
}

bool CliOutput::flush()
{
    if (!pending.isEmpty() && !outputFailed() && !outputCut) {
        errno = 0;
        if (out.write(pending) != pending.size())
            outputWriteFailed(errno ? errno : EIO);
    }
    pending.clear();
    return !outputFailed();
}

void CliOutput::outputWriteFailed(int error)
{
    if (error == EINTR && InterruptionWatch::signal() != 0) {
        outputCut = true;
        return;
    }
    if (outputFailed())
        return; // the first failure is the one to tell
    failedError = error;
#ifdef SIGPIPE
    if (failedError == EPIPE) // the reader went away: stop as a SIGPIPE would, cleanly
        InterruptionWatch::request(SIGPIPE);
#endif
}

void CliOutput::note(const QByteArray &line)
{
    flush();
    err.write(line);
}

void CliOutput::failure(const QString &item, const QString &message, const QString &reason)
{
    QByteArray line("velmoro-cli: ");
    appendForTerminal(line, QDir::toNativeSeparators(item), Backslashes::Kept);
    line += ": ";
    appendForTerminal(line, message, Backslashes::Kept);
    if (!reason.isEmpty()) {
        line += " (";
        appendForTerminal(line, reason, Backslashes::Kept);
        line += ')';
    }
    line += '\n';
    note(line);
}
