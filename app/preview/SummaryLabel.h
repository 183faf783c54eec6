// SPDX-License-Identifier: MIT
#pragma once

#include <QLabel>

// One line of text whose first part (a theme name, which may be very long)
// is shortened in the middle to fit the label's width, so that what follows
// it always stays in view; the tooltip holds the whole text.
class SummaryLabel : public QLabel
{
public:
    void setSummary(const QString &shortened, const QString &kept);
    void clearSummary();

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void fit();

    QString head;
    QString tail;
};
