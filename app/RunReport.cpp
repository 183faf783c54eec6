#include "RunReport.h"

#include <QDir>
#include <QMessageBox>
#include <QStringList>

void showRunReport(QWidget *parent, const QString &title, const QString &allDoneText,
                   const QString &failedText, const RunReport &report)
{
    if (report.failures.isEmpty()) {
        QMessageBox::information(parent, title, allDoneText);
        return;
    }
    QStringList items;
    QStringList reasons;
    for (const auto &failure : report.failures) {
        const QString item = QDir::toNativeSeparators(failure.first);
        items.append(item);
        reasons.append(item + QStringLiteral(": ") + failure.second);
    }
    QMessageBox box(QMessageBox::Warning, title,
                    failedText.arg(report.succeeded).arg(report.failures.size())
                        + QLatin1Char('\n') + items.join(QLatin1Char('\n')),
                    QMessageBox::Ok, parent);
    box.setDetailedText(reasons.join(QLatin1Char('\n')));
    box.exec();
}
