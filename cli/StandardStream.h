// SPDX-License-Identifier: MIT
#pragma once

#include <QFile>

// Standard output or error as velmoro-cli writes them: unbuffered (the tool
// gathers its output in large blocks itself, and sees at once when a write
// fails), and written with the system's own write(), so that Ctrl+C, SIGTERM
// or SIGHUP stops a run that is waiting on a pipe nobody reads. Qt's writes
// would retry after the signal and wait on. Still a QFile, so `cat` into a
// file keeps its copy inside the kernel.
class StandardStream : public QFile
{
public:
    // `missing`: the process was started without this stream (its number now
    // leads to the null device); every write fails with EBADF, as it would have.
    explicit StandardStream(int fd, bool missing = false);

protected:
    qint64 writeData(const char *data, qint64 length) override;

private:
    bool missing;
};
