// SPDX-License-Identifier: MIT
#pragma once

#include <QStyledItemDelegate>

class QFontMetrics;

// A path shortened to `width` pixels where the eye tells rows apart: the
// file (or last folder) name stays whole while it fits, and the folders
// before it give way in their middle ("/home/…/themes/blue-101.tsk"); a name
// too long on its own is shortened too, keeping more of its end, where
// numbered names differ ("blu…-101.tsk").
QString elidePath(const QString &path, const QFontMetrics &metrics, int width);

// Draws a table's path cells shortened by elidePath(); the cell's tooltip
// keeps the whole path.
class PathDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;

    // The text the cell at `index` shows when it is `cell` wide in `view`.
    QString shownText(const QModelIndex &index, const QRect &cell, const QWidget *view) const;

private:
    QString fitted(QStyleOptionViewItem &option) const;
};
