#include "RunReport.h"

#include <QDir>
#include <QMessageBox>
#include <QStringList>

void showRunReport(QWidget *parent, const RunReportTexts &texts, const RunReport &report)
{
    if (report.failures.isEmpty() && report.notDone.isEmpty()) {
        QMessageBox::information(parent, texts.title, texts.allDone);
        return;
    }
    QString text = report.notDone.isEmpty()
                       ? texts.someFailed.arg(report.succeeded).arg(report.failures.size())
                       : texts.cancelled.arg(report.succeeded)
                             .arg(report.failures.size())
                             .arg(report.notDone.size());
    QStringList reasons;
    for (const auto &failure : report.failures) {
        const QString item = QDir::toNativeSeparators(failure.first);
        text += QLatin1Char('\n') + item;
        reasons.append(item + QStringLiteral(": ") + failure.second);
    }
    for (const QString &item : report.notDone)
        reasons.append(QDir::toNativeSeparators(item) + QStringLiteral(": Not done, the run was cancelled."));
    QMessageBox box(QMessageBox::Warning, texts.title, text, QMessageBox::Ok, parent);
    box.setDetailedText(reasons.join(QLatin1Char('\n')));
    box.exec();
}
