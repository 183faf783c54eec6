#pragma once

#include <QList>
#include <QPair>
#include <QString>

class QWidget;

// What one pack or unpack run did, row by row, for its completion box.
struct RunReport
{
    int succeeded = 0;
    QList<QPair<QString, QString>> failures; // folder or archive, English reason

    void addFailure(const QString &item, const QString &reason) { failures.append({item, reason}); }
};

// Shows the completion box of a run: the plain information box when every
// row succeeded, otherwise a warning that counts the themes done and lists
// each failed one, with the reasons in the box's details.
void showRunReport(QWidget *parent, const QString &title, const QString &allDoneText,
                   const QString &failedText, const RunReport &report);
