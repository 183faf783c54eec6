// SPDX-License-Identifier: MIT
#include "RunReport.h"

#include "FailureReason.h"
#include "archive/ThemeJob.h"

#include <QCoreApplication>
#include <QDir>

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("Velmoro", text);
}

QString native(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

// A cancelled run's details list this many written files of a theme at most;
// the box stays quick to open after a theme of thousands of files.
constexpr int listedFilesAtMost = 50;

QString failureDetails(const RunFailure &failure)
{
    QStringList lines{native(failure.item), failure.reason, failure.message};
    if (!failure.systemError.isEmpty())
        lines.append(tr("系统给出的原因：%1").arg(failure.systemError));
    return lines.join(QLatin1Char('\n'));
}

QString unfinishedDetails(const UnfinishedTheme &theme)
{
    QStringList lines{native(theme.item) + QStringLiteral(": Not done, the run was cancelled.")};
    if (theme.writtenCount > 0) {
        lines.append(tr("已写出到 %1 的文件：").arg(native(theme.folder)));
        const QDir folder(theme.folder);
        for (const QString &file : theme.writtenFiles.mid(0, listedFilesAtMost))
            lines.append(QStringLiteral("  ") + native(folder.relativeFilePath(file)));
        const qint64 listed = qMin<qint64>(theme.writtenFiles.size(), listedFilesAtMost);
        if (theme.writtenCount > listed)
            lines.append(tr("  ……以及另外 %1 个文件").arg(theme.writtenCount - listed));
    }
    return lines.join(QLatin1Char('\n'));
}

} // namespace

WindowMessage runReportMessage(const RunReportTexts &texts, const RunReport &report,
                               bool intoWorkDir)
{
    WindowMessage message;
    message.title = texts.title;
    if (report.destinations.size() == 1)
        message.actionText = tr("打开文件夹");

    if (report.failures.isEmpty() && report.notDone.isEmpty()) {
        if (intoWorkDir)
            message.text = texts.allDone;
        else if (report.destinations.size() == 1)
            message.text = texts.allDoneInFolder.arg(native(report.destinations.first()));
        else
            message.text = texts.allDoneBeside;
        return message;
    }

    message.kind = WindowMessage::Kind::Warning;
    message.text = report.notDone.isEmpty()
                       ? texts.someFailed.arg(report.succeeded).arg(report.failures.size())
                       : texts.cancelled.arg(report.succeeded)
                             .arg(report.failures.size())
                             .arg(report.notDone.size());
    for (const RunFailure &failure : report.failures)
        message.text += QLatin1Char('\n') + native(failure.item) + tr("：") + failure.reason;
    for (const UnfinishedTheme &theme : report.notDone) {
        if (theme.writtenCount > 0)
            message.text += QLatin1Char('\n')
                            + tr("%1 只解压了一部分：已写出的 %2 个文件在 %3 中。")
                                  .arg(native(theme.item), QString::number(theme.writtenCount),
                                       native(theme.folder));
    }
    message.details = runReportDetails(report);
    return message;
}

QString runReportDetails(const RunReport &report)
{
    QStringList details;
    for (const RunFailure &failure : report.failures)
        details.append(failureDetails(failure));
    for (const UnfinishedTheme &theme : report.notDone)
        details.append(unfinishedDetails(theme));
    return details.join(QStringLiteral("\n\n"));
}

RunReport runReportOf(const ThemeJob &job, bool themeFolders)
{
    const RunKind kind = job.kind() == JobKind::Pack   ? RunKind::Pack
                         : job.kind() == JobKind::Edit ? RunKind::Edit
                                                       : RunKind::Unpack;
    RunReport report;
    for (qsizetype i = 0; i < job.outcomes().size(); ++i) {
        const JobOutcome &outcome = job.outcomes()[i];
        const QString &item = job.items()[i].source;
        if (outcome.done()) {
            ++report.succeeded;
            const QString destination = themeFolders ? outcome.output : outcome.outputFolder;
            if (!report.destinations.contains(destination))
                report.destinations.append(destination);
        } else if (outcome.error.kind == ThemeFailure::Cancelled) {
            const bool begun = outcome.writtenCount > 0;
            report.notDone.append(
                {item, begun ? outcome.output : QString(), outcome.written, outcome.writtenCount});
        } else {
            report.failures.append({item, failureReason(kind, outcome.error), outcome.error.message,
                                    outcome.error.reason()});
        }
    }
    return report;
}
