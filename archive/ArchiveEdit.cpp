// SPDX-License-Identifier: MIT
#include "ArchiveEdit.h"

#include "ArchiveOutput.h"
#include "EditPlan.h"
#include "OpenArchive.h"
#include "util/FileLock.h"

#include <QFileInfo>

namespace {

const char cancelledMessage[] = "The editing was cancelled.";
const char readFailedMessage[] = "Can NOT read the theme file.";
const char busyMessage[] =
    "The theme file is being edited by another run; try again once it is done.";

// An edited archive's contents: added resources from their files, the others
// from the old archive, where those that still lie one after another are
// copied in one go (all but the changed part of a large theme, usually).
class EditedContents : public ArchiveContents
{
public:
    EditedContents(const EditPlan &editPlan, QFile &oldArchive) : plan(editPlan), old(oldArchive) {}
    qsizetype count() const override { return plan.count(); }
    QByteArrayView name(qsizetype i) const override { return plan.name(i); }
    qint64 size(qsizetype i) const override { return plan.size(i); }
    qsizetype span(qsizetype first) const override;
    ThemeError copy(ArchiveOutput &output, qsizetype first,
                    const QString &archivePath) const override;

private:
    const EditPlan &plan;
    QFile &old;
};

qsizetype EditedContents::span(qsizetype first) const
{
    if (plan.offset(first) < 0)
        return 1;
    qsizetype last = first;
    while (last + 1 < plan.count() && plan.offset(last + 1) == plan.offset(last) + plan.size(last))
        ++last;
    return last - first + 1;
}

ThemeError EditedContents::copy(ArchiveOutput &output, qsizetype first,
                                const QString &archivePath) const
{
    if (plan.offset(first) < 0)
        return copyResourceFile(output, plan.file(first), plan.size(first), archivePath);
    qint64 bytes = 0;
    for (qsizetype i = first, end = first + span(first); i < end; ++i)
        bytes += plan.size(i);
    const CopyOutcome copied = output.copyRange(old, plan.offset(first), bytes);
    switch (copied.result) {
    case CopyResult::Done:
    case CopyResult::Cancelled: return {};
    case CopyResult::ReadShort: // the index was checked against its length: it changed under us
    case CopyResult::ReadFailed:
        return {ThemeFailure::Unreadable, QLatin1String(readFailedMessage), copied.systemError,
                QString(), archivePath};
    case CopyResult::WriteFailed: break;
    }
    return archiveWriteFailure(copied.systemError, archivePath);
}

// The archive a link leads to, which is what is read and replaced.
QString linkTarget(const QString &path)
{
    const QFileInfo info(path);
    const QString target = info.isSymLink() ? info.canonicalFilePath() : QString();
    return target.isEmpty() ? path : target;
}

} // namespace

ThemeError editArchive(const QString &archivePath, const QList<ArchiveChange> &changes,
                       const PackHooks &hooks, QStringList &unmatched)
{
    const QString path = linkTarget(archivePath);
    OpenArchive old;
    ThemeError error = old.open(path);
    if (error.failed())
        return error;
    // Two edits at once would each write what they read, and the later
    // would undo the earlier: one waits its turn by failing.
    int lockError = 0;
    if (!lockForEditing(old.file, path, lockError))
        return {ThemeFailure::Busy, QLatin1String(busyMessage), lockError,
                lockError ? QString() : QStringLiteral("Another edit has just replaced it"), path};
    EditPlan plan(old.index, path);
    old.index = ThemeIndex(); // what is kept of it lies in the plan
    for (const ArchiveChange &change : changes) {
        error = plan.apply(change, unmatched);
        if (error.failed())
            return error;
    }
    error = plan.finish();
    if (error.failed())
        return error;
    error = writeArchive(EditedContents(plan, old.file), plan.theme(), path, hooks);
    if (error.kind == ThemeFailure::Cancelled)
        error.message = QLatin1String(cancelledMessage);
    return error;
}
