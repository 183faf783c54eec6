#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

class QWidget;

// What one pack or unpack run did, row by row, for its completion box.
struct RunReport
{
    int succeeded = 0;
    QList<QPair<QString, QString>> failures; // folder or archive, English reason
    QStringList notDone;                     // left when the run was cancelled

    void addFailure(const QString &item, const QString &reason) { failures.append({item, reason}); }
};

// The texts of a run's completion box.
struct RunReportTexts
{
    QString title;
    QString allDone;   // every theme succeeded
    QString someFailed; // %1 succeeded, %2 failed
    QString cancelled; // %1 succeeded, %2 failed, %3 not done
};

// Shows the completion box of a run: the plain information box when every
// row succeeded, otherwise a warning that counts the themes done, failed and
// not done and lists each failed one, with the reasons in the box's details.
void showRunReport(QWidget *parent, const RunReportTexts &texts, const RunReport &report);
