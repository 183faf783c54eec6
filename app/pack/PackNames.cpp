// SPDX-License-Identifier: MIT
#include "PackNames.h"

#include <QCoreApplication>
#include <QHash>

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("Velmoro", text);
}

QString nameProblem(OutputRules::FileNameProblem problem)
{
    switch (problem) {
    case OutputRules::FileNameProblem::None: break;
    case OutputRules::FileNameProblem::Empty: return tr("名称为空");
    case OutputRules::FileNameProblem::OnlySpaces: return tr("名称只有空格");
    case OutputRules::FileNameProblem::Dots: return tr("名称不能是“.”或“..”");
    case OutputRules::FileNameProblem::Separator: return tr("名称不能含有“/”或“\\”");
    case OutputRules::FileNameProblem::TooLong:
        return tr("名称太长：加上“.tsk”后超过了文件名最多的 255 字节");
    }
    return QString();
}

} // namespace

QList<PackNameProblem> packNameProblems(const QList<JobItem> &items, const JobTarget &target)
{
    const QList<PlannedArchive> plan = planArchives(items, target);
    // Rows that write one archive, by the first of them.
    QHash<int, QList<int>> sharing;
    for (int row = 0; row < plan.size(); ++row) {
        const int first = plan[row].clashesWith >= 0 ? plan[row].clashesWith : row;
        sharing[first].append(row);
    }
    QList<PackNameProblem> problems;
    for (int row = 0; row < plan.size(); ++row) {
        QString problem = nameProblem(plan[row].nameProblem);
        const int first = plan[row].clashesWith >= 0 ? plan[row].clashesWith : row;
        if (problem.isEmpty() && sharing.value(first).size() > 1) {
            QStringList others;
            for (const int other : sharing.value(first)) {
                if (other != row)
                    others.append(QString::number(other + 1));
            }
            problem = tr("与第 %1 行打包成同一个主题文件").arg(others.join(tr("、")));
        }
        if (!problem.isEmpty())
            problems.append({row, items[row].archiveName.value_or(QString()), problem});
    }
    return problems;
}
