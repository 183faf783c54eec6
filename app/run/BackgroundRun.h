// SPDX-License-Identifier: MIT
#pragma once

#include "RunReport.h"
#include "archive/ThemeJob.h"

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
    std::atomic<qint64> done{0};  // bytes done over the whole run
    std::atomic<qint64> total{0}; // bytes of the whole run, once known
    std::atomic<bool> cancelRequested{false};
};

// One pack or unpack run, as a tab hands it to the window: the job's items
// and target, and the texts that tell of it.
struct ThemeRun
{
    JobKind kind = JobKind::Pack;
    QList<JobItem> items; // in row order
    JobTarget target;
    RunReportTexts texts;
    QString progressLabel;    // %1 the theme's name, %2 its number, %3 the count
    QStringList names;        // the items' theme names, for the progress label
    bool intoWorkDir = false; // false: each result went beside its source
    // A selection's run tells of the theme folder it wrote into, not of the
    // folder that holds it.
    bool reportThemeFolders = false;
    // The box at the end, for a run that tells of it in its own words; when
    // empty, runReportMessage() with `texts`. Its extra button opens the
    // report's first destination.
    std::function<WindowMessage(const RunReport &report)> reportMessage;
    // Told how the run went, once it is over, before the box; an edit's
    // archives have been read again by then.
    std::function<void(const RunReport &report)> afterwards;
};

// Runs the job of `run` on the calling thread, keeping `progress` up to
// date and stopping once a cancel is asked for, and fills `report`.
void workThrough(const ThemeRun &run, RunProgress &progress, RunReport &report);

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
