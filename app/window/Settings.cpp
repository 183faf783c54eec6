// SPDX-License-Identifier: MIT
// The one setting: the work directory, read when the window is built and
// written when it closes.

#include "Velmoro.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QSaveFile>
#include <QStandardPaths>

static QString defaultWorkDir()
{
#ifdef Q_OS_WIN
    return QStringLiteral("C:\\");
#else
    return QDir::toNativeSeparators(QDir::homePath());
#endif
}

void Velmoro::loadSettings()
{
    const QDir folder(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
                      + QStringLiteral("/Orvane/Velmoro/Settings"));
    if (folder.exists() || folder.mkpath(QStringLiteral(".")))
        settingsFilePath = folder.absolutePath() + QStringLiteral("/Settings.xml");
    else
        settingsFilePath = QStringLiteral("Settings.xml"); // beside the process, as a last resort

    if (!QFile::exists(settingsFilePath)) {
        workDirEdit->setText(defaultWorkDir());
        return;
    }
    // The file holds the field's text as UTF-8 and nothing else; whatever it
    // holds (a line end, spaces) is taken as it stands.
    QFile file(settingsFilePath);
    if (file.open(QIODevice::ReadOnly))
        workDirEdit->setText(QString::fromUtf8(file.readAll()));
}

void Velmoro::saveSettings()
{
    // Replaced in one step, so a crash while saving keeps the previous file.
    QSaveFile file(settingsFilePath);
    if (file.open(QIODevice::WriteOnly)) {
        file.write(workDirEdit->text().toUtf8());
        file.commit();
    }
}
