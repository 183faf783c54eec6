// SPDX-License-Identifier: MIT
#pragma once

#include <QElapsedTimer>
#include <QString>

class QIODevice;

// A one-line progress display on standard error for long jobs, shown only
// when standard error is a terminal and a job has run for half a second.
class TerminalProgress
{
public:
    // `standardError` is where the line goes; `wanted` false keeps it quiet
    // (not a terminal, or -v prints each file instead).
    TerminalProgress(QIODevice &standardError, bool wanted);
    ~TerminalProgress();

    // Starts a job: `verb` and `item` make the line's text ("packing blue").
    void start(const QString &verb, const QString &item);
    // Redraws the line now and then; returns false when the user asked the
    // tool to stop (Ctrl+C), so the job is cancelled cleanly.
    bool update(qint64 done, qint64 total);
    // Clears the line, if one was shown.
    void finish();

private:
    QIODevice &err;
    bool enabled;
    bool shown = false;
    QString label;
    QElapsedTimer sinceStart;
    QElapsedTimer sinceDrawn;
};
