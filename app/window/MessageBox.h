// SPDX-License-Identifier: MIT
#pragma once

#include "DialogSeam.h"

#include <QDialog>

class QDialogButtonBox;
class QLabel;
class QTextEdit;
class QPushButton;

// The box a WindowMessage is shown in: its first line as the headline, the
// lines after it (failed themes, refused archives, names to fix) in a list
// that scrolls, and the details behind a button. However many lines there
// are, the box stays within the screen it opens on; Escape and the title
// bar's close button answer it as OK does, whatever buttons it has.
class MessageBox : public QDialog
{
    Q_OBJECT

public:
    explicit MessageBox(const WindowMessage &message, QWidget *parent = nullptr);

    // Whether the box was closed through its extra button.
    bool actionChosen() const { return chosen == 1; }
    // 1: closed through its extra button, 2: its second one, 0: otherwise.
    int choice() const { return chosen; }

private:
    QPushButton *addChoice(QDialogButtonBox *buttons, const QString &text, const char *name,
                           int answer);
    void toggleDetails();
    void fitToScreen();
    QRect screenRoom() const;

    QLabel *iconLabel = nullptr;
    QLabel *headlineLabel = nullptr;
    QTextEdit *itemList = nullptr;
    QTextEdit *detailsView = nullptr;
    QPushButton *okButton = nullptr;
    QPushButton *actionButton = nullptr;
    QPushButton *secondActionButton = nullptr;
    QPushButton *detailsButton = nullptr;
    int chosen = 0;
};
