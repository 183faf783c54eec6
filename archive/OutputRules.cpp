// SPDX-License-Identifier: MIT
#include "OutputRules.h"

#include <QDir>
#include <QFileInfo>

namespace OutputRules {

// Most file systems take names of up to 255 bytes (NAME_MAX).
constexpr qsizetype maxFileNameBytes = 255;

FileNameProblem archiveNameProblem(QStringView name)
{
    if (name.isEmpty())
        return FileNameProblem::Empty;
    if (name.trimmed().isEmpty())
        return FileNameProblem::OnlySpaces;
    if (name == u"." || name == u"..")
        return FileNameProblem::Dots;
    if (name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('\\')))
        return FileNameProblem::Separator;
    if (name.toUtf8().size() + qsizetype(sizeof archiveSuffix) - 1 > maxFileNameBytes)
        return FileNameProblem::TooLong;
    return FileNameProblem::None;
}

QString archiveNameMessage(FileNameProblem problem, const QString &name)
{
    switch (problem) {
    case FileNameProblem::None: break;
    case FileNameProblem::Empty:
    case FileNameProblem::OnlySpaces:
        return QStringLiteral("The theme name is empty, or holds only spaces: %1").arg(name);
    case FileNameProblem::Dots:
    case FileNameProblem::Separator:
        return QStringLiteral(
                   "The theme name can NOT be \".\" or \"..\", nor hold \"/\" or \"\\\": %1")
            .arg(name);
    case FileNameProblem::TooLong:
        return QStringLiteral(
                   "The theme name is too long for a file name (255 bytes with \".tsk\"): %1")
            .arg(name);
    }
    return QString();
}

QString archiveIn(const QString &folder, const QString &name)
{
    QString path = folder;
    if (!path.endsWith(QLatin1Char('/')))
        path += QLatin1Char('/');
    return path + name + QLatin1String(archiveSuffix);
}

QString archiveBeside(const QString &folderPath, const QString &name)
{
    return archiveIn(QFileInfo(QDir(folderPath).absolutePath()).absolutePath(), name);
}

QString targetBeside(const QString &archivePath)
{
    QString folder = QFileInfo(archivePath).absolutePath();
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder;
}

QString pathKey(const QString &path)
{
    const QString clean =
        QDir::cleanPath(QFileInfo(QDir::fromNativeSeparators(path)).absoluteFilePath());
    return fileNameCase == Qt::CaseInsensitive ? clean.toCaseFolded() : clean;
}

} // namespace OutputRules
