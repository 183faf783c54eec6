// SPDX-License-Identifier: MIT
#include "ComparisonRun.h"

#include <QThread>

ComparisonRun::ComparisonRun(const QString &oldArchive, const QString &newArchive, QObject *parent)
    : QObject(parent), oldPath(oldArchive), newPath(newArchive)
{
}

ComparisonRun::~ComparisonRun()
{
    stopRequested = true;
    if (worker)
        worker->wait();
}

void ComparisonRun::start()
{
    worker.reset(QThread::create([this] {
        failure = compareArchives(oldPath, newPath, found,
                                  [this](qint64, qint64) { return !stopRequested; });
    }));
    // The thread's own signal comes from the worker; queued to this object's
    // thread, it arrives once the results are written.
    connect(worker.get(), &QThread::finished, this, &ComparisonRun::finished, Qt::QueuedConnection);
    worker->start();
}
