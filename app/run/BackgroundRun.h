// SPDX-License-Identifier: MIT
#pragma once

#include "RunReport.h"
#include "archive/ThemeFailure.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <atomic>
#include <functional>
#include <memory>

class QProgressDialog;
class QThread;
class QWidget;

// What a pack or unpack run shares between its worker thread and the window.
struct RunProgress
{
    std::atomic<int> item{0};     // the theme being worked on
    std::atomic<qint64> done{0};  // content bytes done over the whole run
    std::atomic<qint64> total{0}; // content bytes of the whole run, once known
    std::atomic<bool> cancelRequested{false};
};

// Passed the bytes of the current theme done so far; false once a cancel
// was asked for.
using ThemeAdvance = std::function<bool(qint64 done)>;

// What working on one theme came to.
struct ThemeOutcome
{
    bool done = false;
    QString destination; // done: the folder the archive or theme folder went into
    ThemeFailure failure = ThemeFailure::None;
    QString reason;           // not done: RunFailure::reason
    QString message;          // not done: the library's English message
    QString systemError;      // not done: the system's reason, or empty
    QString writtenFolder;    // an unpack that stopped: where it wrote,
    QStringList writtenFiles; // and the files it wrote there, whole
};

// One pack or unpack run, as a tab hands it to the window.
struct ThemeRun
{
    RunReportTexts texts;
    QString progressLabel;    // %1 the theme's name, %2 its number, %3 the count
    QStringList items;        // the folders or archives, in row order
    QStringList names;        // their theme names, for the progress label
    bool intoWorkDir = false; // false: each result went beside its source
    // Both run on the worker thread, one theme after the other, so they may
    // keep state from one theme to the next but must not touch widgets.
    std::function<qint64(int item)> sizeOf;
    std::function<ThemeOutcome(int item, const ThemeAdvance &advance)> runOne;
    // The box at the end, for a run that tells of it in its own words; when
    // empty, runReportMessage() with `texts`. Its extra button opens the
    // report's first destination.
    std::function<WindowMessage(const RunReport &report)> reportMessage;
};

// Works through the run's themes in order: first their sizes, so the
// progress runs by bytes over all of them, then each theme. Once a cancel is
// asked for, the themes not finished are recorded as not done.
void workThrough(ThemeRun &run, RunProgress &progress, RunReport &report);

// A run on its own worker thread while the window's event loop goes on. When
// it takes longer than the dialog delay, a progress dialog shows the current
// theme and the progress by bytes; its Cancel (or cancel()) asks the work to
// stop. finished() comes once the worker has ended; the report is complete
// from then on.
class BackgroundRun : public QObject
{
    Q_OBJECT

public:
    BackgroundRun(QWidget *window, ThemeRun run, int dialogDelayMs);
    // Asks the work to stop and waits for it, so nothing outlives the window.
    ~BackgroundRun() override;

    void start();
    void cancel();

    const ThemeRun &inputs() const { return run; }
    const RunReport &report() const { return result; }

signals:
    void finished();

private:
    void updateDialog();
    void stopShowingProgress();
    void workerFinished();

    ThemeRun run;
    RunProgress progress;
    RunReport result;
    std::unique_ptr<QProgressDialog> dialog;
    QTimer ticker;
    std::unique_ptr<QThread> worker;
};
