// SPDX-License-Identifier: MIT
#include "DialogSeam.h"

#include "MessageBox.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QUrl>

QString DialogSeam::existingDirectory(QWidget *parent, const QString &caption,
                                      const QString &startDir)
{
    return QFileDialog::getExistingDirectory(parent, caption, startDir, QFileDialog::ShowDirsOnly);
}

QStringList DialogSeam::openFileNames(QWidget *parent, const QString &caption,
                                      const QString &startDir, const QString &filter)
{
    return QFileDialog::getOpenFileNames(parent, caption, startDir, filter);
}

bool DialogSeam::showMessage(QWidget *parent, const WindowMessage &message)
{
    if (message.kind == WindowMessage::Kind::About) {
        QMessageBox::about(parent, message.title, message.text);
        return false;
    }
    MessageBox box(message, parent);
    box.exec();
    return box.choice() == 1;
}

int DialogSeam::showChoice(QWidget *parent, const WindowMessage &message)
{
    MessageBox box(message, parent);
    box.exec();
    return box.choice();
}

bool DialogSeam::openFolder(const QString &folder)
{
    return QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
}

bool DialogSeam::openUrl(const QUrl &url)
{
    return QDesktopServices::openUrl(url);
}
