#pragma once

#include "RunReport.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>

class QWidget;

// What a pack or unpack run shares between its worker thread and the window.
struct RunProgress
{
    std::atomic<int> item{0};         // the theme being worked on
    std::atomic<qint64> done{0};      // content bytes done over the whole run
    std::atomic<qint64> total{0};     // content bytes of the whole run, once known
    std::atomic<bool> cancelRequested{false};
};

// Runs `work` on a worker thread while the window's event loop goes on (it
// keeps painting), and returns once the work has finished. When the run
// takes longer than `delayMs`, a modal progress dialog titled `title` shows
// the current theme (`labelTemplate` with %1 its name, %2 its number, %3 the
// count) and the progress by bytes; its Cancel sets `cancelRequested`.
void runInBackground(QWidget *parent, const QString &title, const QString &labelTemplate,
                     const QStringList &itemNames, int delayMs, RunProgress &progress,
                     const std::function<void()> &work);

// Works through the themes `items` in order, on the worker thread: first
// their sizes (`sizeOf`), so the progress runs by bytes over all of them,
// then `runOne(i, advance, reason)` for each, which passes its bytes done so
// far to `advance` (false once a cancel was asked for) and returns success
// or fills in the reason it failed. Once a cancel is asked for, the themes
// not finished are recorded as not done.
using ThemeAdvance = std::function<bool(qint64 done)>;
void workThrough(const QStringList &items, RunProgress &progress, RunReport &report,
                 const std::function<qint64(int)> &sizeOf,
                 const std::function<bool(int, const ThemeAdvance &, QString &)> &runOne);
