#pragma once

// Helpers for driving the real window in tests: file dialogs answered from a
// script, and message boxes answered (and recorded) as they appear.

#include "app/DialogSeam.h"

#include <QAbstractButton>
#include <QPushButton>
#include <QApplication>
#include <QMessageBox>
#include <QQueue>
#include <QTimer>

// Answers the window's file dialogs from queues and records how each was opened.
class ScriptedDialogs : public DialogSeam
{
public:
    struct Request
    {
        QString caption;
        QString startDir;
        QString filter;
    };

    QQueue<QString> folders;        // answers to folder dialogs ("" cancels)
    QQueue<QStringList> fileLists;  // answers to file dialogs ({} cancels)
    QList<Request> requests;

    QString existingDirectory(QWidget *, const QString &caption, const QString &startDir) override
    {
        requests.append({caption, startDir, QString()});
        return folders.isEmpty() ? QString() : folders.dequeue();
    }

    QStringList openFileNames(QWidget *, const QString &caption, const QString &startDir,
                              const QString &filter) override
    {
        requests.append({caption, startDir, filter});
        return fileLists.isEmpty() ? QStringList() : fileLists.dequeue();
    }
};

// While it lives, every message box that opens is recorded and answered
// with its default button, the way a user presses Enter.
class MessageBoxAnswerer : public QObject
{
public:
    struct Box
    {
        QMessageBox::Icon icon;
        QString title;
        QString text;
        QString details;
    };
    QList<Box> boxes;

    MessageBoxAnswerer()
    {
        timer.setInterval(5);
        QObject::connect(&timer, &QTimer::timeout, this, [this] { answer(); });
        timer.start();
    }

private:
    void answer()
    {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return;
        boxes.append({box->icon(), box->windowTitle(), box->text(), box->detailedText()});
        QAbstractButton *button = box->defaultButton();
        if (!button)
            button = box->buttons().value(0);
        if (button)
            button->click();
        else
            box->accept();
    }

    QTimer timer;
};
