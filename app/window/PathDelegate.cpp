// SPDX-License-Identifier: MIT
#include "PathDelegate.h"

#include <QApplication>
#include <QFontMetrics>
#include <QPainter>

namespace {

// A name too long for its room keeps a little of its start and most of its
// end, which tells numbered names apart ("蓝…-101.tsk"); the characters given
// up are those in the middle.
QString elideName(const QString &name, const QFontMetrics &metrics, int width)
{
    const QString ellipsis(QChar(0x2026));
    const int room = width - metrics.horizontalAdvance(ellipsis);
    if (room <= 0)
        return QString();
    const int headRoom = room / 4;
    qsizetype head = 0;
    while (head < name.size() && metrics.horizontalAdvance(name.left(head + 1)) <= headRoom)
        ++head;
    const int tailRoom = room - metrics.horizontalAdvance(name.left(head));
    qsizetype tail = 0;
    while (tail < name.size() - head && metrics.horizontalAdvance(name.right(tail + 1)) <= tailRoom)
        ++tail;
    // Never half of a character outside the basic plane.
    if (head > 0 && name.at(head - 1).isHighSurrogate())
        --head;
    if (tail > 0 && name.at(name.size() - tail).isLowSurrogate())
        --tail;
    return name.left(head) + ellipsis + name.right(tail);
}

} // namespace

QString elidePath(const QString &path, const QFontMetrics &metrics, int width)
{
    if (metrics.horizontalAdvance(path) <= width)
        return path;
    const qsizetype cut =
        qMax(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
    const QString name = path.mid(cut + 1);
    const QString folder = path.left(cut); // without its separator
    const QString separator = path.mid(cut, 1);
    const int room = width - metrics.horizontalAdvance(name) - metrics.horizontalAdvance(separator);
    if (cut < 0 || room < metrics.horizontalAdvance(QString(QChar(0x2026))))
        return elideName(name, metrics, width);
    // The folders give way in their middle; the separator stays beside the name.
    return metrics.elidedText(folder, Qt::ElideMiddle, room) + separator + name;
}

// Sets the option up as the style draws the cell, with its text fitted to
// the room the style leaves for it.
QString PathDelegate::fitted(QStyleOptionViewItem &option) const
{
    const QWidget *view = option.widget;
    const QStyle *style = view ? view->style() : QApplication::style();
    const QRect textRect = style->subElementRect(QStyle::SE_ItemViewItemText, &option, view);
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) + 1;
    return elidePath(option.text, option.fontMetrics, textRect.width() - 2 * margin);
}

void PathDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                         const QModelIndex &index) const
{
    QStyleOptionViewItem cell = option;
    initStyleOption(&cell, index);
    cell.text = fitted(cell);
    const QWidget *view = option.widget;
    (view ? view->style() : QApplication::style())
        ->drawControl(QStyle::CE_ItemViewItem, &cell, painter, view);
}

QString PathDelegate::shownText(const QModelIndex &index, const QRect &cell,
                                const QWidget *view) const
{
    QStyleOptionViewItem option;
    option.initFrom(view);
    option.rect = cell;
    option.widget = view;
    initStyleOption(&option, index);
    return fitted(option);
}
