#pragma once

#include <QElapsedTimer>
#include <QString>

#include <cstdio>

// A one-line progress display on standard error for long jobs, shown only
// when standard error is a terminal and a job has run for half a second.
class TerminalProgress
{
public:
    // `wanted` false keeps it quiet (for instance when -v prints each file).
    explicit TerminalProgress(bool wanted = true);
    ~TerminalProgress();

    // Starts a job: `verb` and `item` make the line's text ("packing blue").
    void start(const QString &verb, const QString &item);
    // Always returns true: the command line has no Cancel (Ctrl+C ends it).
    bool update(qint64 done, qint64 total);
    // Clears the line, if one was shown.
    void finish();

private:
    bool enabled;
    bool shown = false;
    QString label;
    QElapsedTimer sinceStart;
    QElapsedTimer sinceDrawn;
};
