// SPDX-License-Identifier: MIT
#pragma once

class QPushButton;
class QString;
class QWidget;

// A push button with the given text and object name (tests and
// accessibility tools find widgets by it); Enter presses it as Space does.
QPushButton *namedButton(const QString &text, const char *objectName);

// A tab's page, as both tabs are laid out: `content` above a row with `add`
// and `remove` at the left edge and `run` at the right edge.
QWidget *tabPage(const char *objectName, QWidget *content, QPushButton *add, QPushButton *remove,
                 QPushButton *run);
