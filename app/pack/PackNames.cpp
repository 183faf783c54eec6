// SPDX-License-Identifier: MIT
#include "PackNames.h"

#include "app/run/FileNameCase.h"

#include <QCoreApplication>
#include <QDir>
#include <QHash>

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("Velmoro", text);
}

QString fileKey(const QString &path)
{
    const QString clean = QDir::cleanPath(QDir::fromNativeSeparators(path));
    return fileNameCase == Qt::CaseInsensitive ? clean.toCaseFolded() : clean;
}

QString nameProblem(const QString &name)
{
    if (name.isEmpty())
        return tr("名称为空");
    if (name.trimmed().isEmpty()) // looks empty in the table, and on most file managers
        return tr("名称只有空格");
    if (name == QLatin1String(".") || name == QLatin1String(".."))
        return tr("名称不能是“.”或“..”");
    if (name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('\\')))
        return tr("名称不能含有“/”或“\\”");
    return QString();
}

} // namespace

QList<PackNameProblem> packNameProblems(const QStringList &names, const QStringList &archives)
{
    QHash<QString, QList<int>> rowsByArchive;
    for (int row = 0; row < archives.size(); ++row)
        rowsByArchive[fileKey(archives[row])].append(row);

    QList<PackNameProblem> problems;
    for (int row = 0; row < names.size(); ++row) {
        QString problem = nameProblem(names[row]);
        if (problem.isEmpty()) {
            QStringList others;
            for (const int other : rowsByArchive.value(fileKey(archives[row]))) {
                if (other != row)
                    others.append(QString::number(other + 1));
            }
            if (!others.isEmpty())
                problem = tr("与第 %1 行打包成同一个主题文件").arg(others.join(tr("、")));
        }
        if (!problem.isEmpty())
            problems.append({row, names[row], problem});
    }
    return problems;
}
