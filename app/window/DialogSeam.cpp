// SPDX-License-Identifier: MIT
#include "DialogSeam.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
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
    const QMessageBox::Icon icon = message.kind == WindowMessage::Kind::Warning
                                       ? QMessageBox::Warning
                                       : QMessageBox::Information;
    QMessageBox box(icon, message.title, message.text, QMessageBox::Ok, parent);
    box.setObjectName(QStringLiteral("messageBox"));
    box.setDetailedText(message.details);
    QPushButton *action = nullptr;
    if (!message.actionText.isEmpty()) {
        action = box.addButton(message.actionText, QMessageBox::ActionRole);
        action->setObjectName(QStringLiteral("actionButton"));
    }
    box.setDefaultButton(QMessageBox::Ok);
    box.exec();
    return action && box.clickedButton() == action;
}

bool DialogSeam::openFolder(const QString &folder)
{
    return QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
}

bool DialogSeam::openUrl(const QUrl &url)
{
    return QDesktopServices::openUrl(url);
}
