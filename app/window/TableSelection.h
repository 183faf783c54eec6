// SPDX-License-Identifier: MIT
#pragma once

#include <QList>

class QTableWidget;

// Rows of the table's selected items, each once, highest first, so that
// removing them one by one keeps the remaining row numbers valid.
QList<int> selectedRowsDescending(const QTableWidget *table);
