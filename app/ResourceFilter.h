#pragma once

#include <QString>

class QTreeWidgetItem;

// Shows the rows below `top` whose path below the theme folder contains
// `text` (letter case ignored), and the folders above them, expanded; an
// empty text shows every row. The top row always shows.
void filterResourceTree(QTreeWidgetItem *top, const QString &text);
