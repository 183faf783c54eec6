#include "DialogSeam.h"

#include <QFileDialog>

QString DialogSeam::existingDirectory(QWidget *parent, const QString &caption, const QString &startDir)
{
    return QFileDialog::getExistingDirectory(parent, caption, startDir, QFileDialog::ShowDirsOnly);
}

QStringList DialogSeam::openFileNames(QWidget *parent, const QString &caption,
                                      const QString &startDir, const QString &filter)
{
    return QFileDialog::getOpenFileNames(parent, caption, startDir, filter);
}
