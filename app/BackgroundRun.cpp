#include "BackgroundRun.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QProgressDialog>
#include <QThread>
#include <QTimer>

void runInBackground(QWidget *parent, const QString &title, const QString &labelTemplate,
                     const QStringList &itemNames, int delayMs, RunProgress &progress,
                     const std::function<void()> &work)
{
    QProgressDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("progressDialog"));
    dialog.setWindowTitle(title);
    dialog.setCancelButtonText(QCoreApplication::translate("Velmoro", "取消"));
    dialog.setWindowModality(Qt::WindowModal);
    dialog.setAutoReset(false);
    dialog.setAutoClose(false);
    dialog.setRange(0, 1000);
    dialog.setMinimumDuration(delayMs); // shown only when the run is not over by then
    QObject::connect(&dialog, &QProgressDialog::canceled, &dialog, [&progress] {
        progress.cancelRequested = true;
    });

    const auto update = [&] {
        const int item = qBound(0, progress.item.load(), int(itemNames.size()) - 1);
        dialog.setLabelText(labelTemplate.arg(itemNames.value(item))
                                .arg(item + 1)
                                .arg(itemNames.size()));
        const qint64 total = progress.total;
        dialog.setValue(total > 0 ? int(1000 * qMin(progress.done.load(), total) / total) : 0);
    };
    update();
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, &dialog, update);
    ticker.start(50);

    QEventLoop loop;
    QThread *worker = QThread::create(work);
    QObject::connect(worker, &QThread::finished, &loop, &QEventLoop::quit);
    worker->start();
    loop.exec();
    worker->wait();
    delete worker;
    ticker.stop();
}

void workThrough(const QStringList &items, RunProgress &progress, RunReport &report,
                 const std::function<qint64(int)> &sizeOf,
                 const std::function<bool(int, const ThemeAdvance &, QString &)> &runOne)
{
    QList<qint64> sizes;
    for (int i = 0; i < items.size(); ++i) {
        sizes.append(sizeOf(i));
        progress.total += sizes.last();
    }
    qint64 before = 0;
    for (int i = 0; i < items.size(); ++i) {
        if (progress.cancelRequested) {
            report.notDone.append(items[i]);
            continue;
        }
        progress.item = i;
        const ThemeAdvance advance = [&progress, before](qint64 done) {
            progress.done = before + done;
            return !progress.cancelRequested;
        };
        QString reason;
        if (runOne(i, advance, reason))
            ++report.succeeded;
        else if (progress.cancelRequested)
            report.notDone.append(items[i]);
        else
            report.addFailure(items[i], reason);
        before += sizes[i];
        progress.done = before;
    }
}
