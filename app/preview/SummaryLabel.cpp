// SPDX-License-Identifier: MIT
#include "SummaryLabel.h"

void SummaryLabel::setSummary(const QString &shortened, const QString &kept)
{
    head = shortened;
    tail = kept;
    setToolTip(head + tail);
    fit();
}

void SummaryLabel::clearSummary()
{
    head.clear();
    tail.clear();
    setToolTip(QString());
    clear();
}

void SummaryLabel::resizeEvent(QResizeEvent *event)
{
    QLabel::resizeEvent(event);
    fit();
}

void SummaryLabel::fit()
{
    if (head.isEmpty() && tail.isEmpty())
        return;
    const QFontMetrics metrics = fontMetrics();
    const int room = qMax(0, contentsRect().width() - metrics.horizontalAdvance(tail));
    setText(metrics.elidedText(head, Qt::ElideMiddle, room) + tail);
}
