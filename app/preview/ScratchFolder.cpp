// SPDX-License-Identifier: MIT
#include "ScratchFolder.h"

#include "app/window/WindowProcess.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>

namespace {

const char namePrefix[] = "velmoro-";

// The process id in a scratch folder's name, or 0 for any other name.
// QTemporaryDir replaces the six X of the template with letters and digits.
qint64 ownerOf(const QString &name)
{
    static const QRegularExpression pattern(
        QStringLiteral("^velmoro-([1-9][0-9]{0,18})-[A-Za-z0-9]{6}$"));
    const QRegularExpressionMatch match = pattern.match(name);
    return match.hasMatch() ? match.captured(1).toLongLong() : 0;
}

bool isLink(const QFileInfo &info)
{
    return info.isSymLink() || info.isJunction();
}

// Removes the folder and what is in it; a link inside is removed as a link,
// never followed, whatever it points to.
void removeTree(const QString &folder)
{
    QDirIterator entries(folder,
                         QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    while (entries.hasNext()) {
        entries.next();
        const QFileInfo entry = entries.fileInfo();
        if (entry.isDir() && !isLink(entry))
            removeTree(entry.filePath());
        else if (!QFile::remove(entry.filePath()))
            QDir().rmdir(entry.filePath()); // a link to a folder, where it counts as one
    }
    QDir().rmdir(folder);
}

} // namespace

std::unique_ptr<QTemporaryDir> makeScratchFolder()
{
    auto folder = std::make_unique<QTemporaryDir>(
        QDir::tempPath() + QLatin1Char('/') + QLatin1String(namePrefix)
        + QString::number(QCoreApplication::applicationPid()) + QStringLiteral("-XXXXXX"));
    if (!folder->isValid())
        return nullptr;
    return folder;
}

void removeAbandonedScratchFolders(const QString &tempFolder)
{
    const QDir temp(tempFolder);
    const QStringList names = temp.entryList({QLatin1String(namePrefix) + QLatin1Char('*')},
                                             QDir::Dirs | QDir::Files | QDir::System | QDir::Hidden
                                                 | QDir::NoDotAndDotDot);
    for (const QString &name : names) {
        const qint64 owner = ownerOf(name);
        if (owner == 0 || processRuns(owner))
            continue;
        // Looked at without following a link: a link by that name is not ours
        // to follow, whoever put it there.
        const QFileInfo info(temp.filePath(name));
        if (isLink(info) || !info.isDir() || !ownedByThisUser(info))
            continue;
        removeTree(info.absoluteFilePath());
    }
}
