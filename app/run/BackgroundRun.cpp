// SPDX-License-Identifier: MIT
#include "BackgroundRun.h"

#include <QCoreApplication>
#include <QProgressDialog>
#include <QThread>

void workThrough(const ThemeRun &run, RunProgress &progress, RunReport &report)
{
    ThemeJob job(run.kind, run.items, run.target);
    job.progress = [&progress](const JobProgress &now) {
        progress.item = now.item;
        progress.total = now.runTotal;
        progress.done = now.runDone;
        return !progress.cancelRequested;
    };
    job.run();
    report = runReportOf(job, run.reportThemeFolders);
}

BackgroundRun::BackgroundRun(QWidget *window, ThemeRun inputs, int dialogDelayMs)
    : run(std::move(inputs)), dialog(std::make_unique<QProgressDialog>(window))
{
    dialog->setObjectName(QStringLiteral("progressDialog"));
    dialog->setWindowTitle(run.texts.title);
    dialog->setCancelButtonText(QCoreApplication::translate("Velmoro", "取消"));
    // Not modal: while a modal dialog is up the system's close request for
    // the window is dropped, and a modal dialog's setValue() would run the
    // event loop from inside the ticker. The window takes no commands during
    // the run anyway.
    dialog->setWindowModality(Qt::NonModal);
    dialog->setAutoReset(false);
    dialog->setAutoClose(false);
    dialog->setRange(0, 1000);
    dialog->setMinimumDuration(dialogDelayMs); // shown only when the run is not over by then
    connect(dialog.get(), &QProgressDialog::canceled, this, &BackgroundRun::cancel);
    connect(&ticker, &QTimer::timeout, this, &BackgroundRun::updateDialog);
}

BackgroundRun::~BackgroundRun()
{
    if (worker) {
        progress.cancelRequested = true;
        worker->wait();
    }
}

void BackgroundRun::start()
{
    updateDialog();
    ticker.start(50);
    worker.reset(QThread::create([this] { workThrough(run, progress, result); }));
    connect(worker.get(), &QThread::finished, this, &BackgroundRun::workerFinished);
    worker->start();
}

void BackgroundRun::cancel()
{
    progress.cancelRequested = true;
    // The work stops within moments, and then the window says what was done.
    stopShowingProgress();
}

void BackgroundRun::stopShowingProgress()
{
    // The dialog shows itself once its delay has passed, or on a later value,
    // unless it is reset.
    ticker.stop();
    dialog->reset();
    dialog->hide();
}

void BackgroundRun::updateDialog()
{
    const QStringList &names = run.names;
    const int item = qBound(0, progress.item.load(), int(names.size()) - 1);
    dialog->setLabelText(run.progressLabel.arg(names.value(item), QString::number(item + 1),
                                               QString::number(names.size())));
    const qint64 total = progress.total;
    dialog->setValue(total > 0 ? int(1000 * qMin(progress.done.load(), total) / total) : 0);
}

void BackgroundRun::workerFinished()
{
    stopShowingProgress();
    emit finished();
}
