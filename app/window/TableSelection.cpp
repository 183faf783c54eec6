// SPDX-License-Identifier: MIT
#include "TableSelection.h"

#include <QTableWidget>

#include <algorithm>
#include <functional>

QList<int> selectedRowsDescending(const QTableWidget *table)
{
    QList<int> rows;
    for (const QTableWidgetItem *item : table->selectedItems()) {
        if (!rows.contains(item->row()))
            rows.append(item->row());
    }
    std::sort(rows.begin(), rows.end(), std::greater<int>());
    return rows;
}
