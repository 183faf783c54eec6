// SPDX-License-Identifier: MIT
#pragma once

#include "archive/ArchiveComparison.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <memory>

class QThread;

// One comparison of two archives on a worker thread of its own, so that a
// pair of large archives never holds the window; finished() comes on the
// thread that started it, and the results are whole from then on.
class ComparisonRun : public QObject
{
    Q_OBJECT

public:
    ComparisonRun(const QString &oldArchive, const QString &newArchive, QObject *parent = nullptr);
    // Asks the comparison to stop and waits for it, so the worker never
    // outlives what it writes to.
    ~ComparisonRun() override;

    void start();

    const QString &oldArchive() const { return oldPath; }
    const QString &newArchive() const { return newPath; }
    const ThemeError &error() const { return failure; }
    const QList<ResourceDifference> &differences() const { return found; }

signals:
    void finished();

private:
    QString oldPath;
    QString newPath;
    ThemeError failure;
    QList<ResourceDifference> found;
    std::atomic<bool> stopRequested{false};
    std::unique_ptr<QThread> worker;
};
