// SPDX-License-Identifier: MIT
#include "ThemeJob.h"

#include "ArchiveEdit.h"
#include "ThemeNames.h"
#include "ThemePacker.h"
#include "ThemeReader.h"
#include "util/FolderListing.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>

#include <cerrno>
#include <vector>

namespace {

const char packCancelledMessage[] = "The packing was cancelled.";
const char unpackCancelledMessage[] = "The unpacking was cancelled.";
const char editCancelledMessage[] = "The editing was cancelled.";
const char folderMissingMessage[] = "The dir path is NOT validate.";
const char savePathMessage[] = "The theme file saved path is NOT validate.";
const char writtenAlreadyMessage[] = "The theme file %1 was already written in this run for %2.";

// A run keeps the first of the files an item wrote, for a report of what a
// stopped run left; a theme of thousands of files would fill memory.
constexpr qsizetype keptWrittenFiles = 50;

QString absoluteFolder(const QString &path)
{
    return QDir::cleanPath(QDir(path).absolutePath());
}

QString shown(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

// Makes `folder` and the folders above it that are missing; returns those
// it made, the deepest first, so they can go again when nothing went in.
// `failed` tells whether one could not be made, `error` the system's reason.
QStringList makeFolders(const QString &folder, bool &failed, int &error)
{
    QStringList missing;
    for (QFileInfo info(absoluteFolder(folder)); !info.exists() && !info.isRoot();
         info = QFileInfo(info.absolutePath()))
        missing.prepend(info.absoluteFilePath());
    QStringList made;
    for (const QString &path : std::as_const(missing)) {
        errno = 0;
        if (!QDir().mkdir(path)) {
            failed = true;
            error = errno;
            break;
        }
        made.prepend(path);
    }
    return made;
}

struct FileKey
{
    quint64 device = 0;
    quint64 inode = 0;
};

} // namespace

QList<PlannedArchive> planArchives(const QList<JobItem> &items, const JobTarget &target)
{
    QList<PlannedArchive> plan;
    QHash<QString, int> firstByKey;
    for (int i = 0; i < items.size(); ++i) {
        const JobItem &item = items[i];
        const QString folder = absoluteFolder(item.source);
        const QString theme =
            item.themeName.isEmpty() ? QFileInfo(folder).fileName() : item.themeName;
        const QString name = item.archiveName.value_or(theme);
        PlannedArchive planned;
        planned.name = name;
        if (!target.archivePath.isEmpty()) {
            planned.path = target.archivePath; // named by the caller, not after the theme
        } else {
            planned.nameProblem = OutputRules::archiveNameProblem(name);
            planned.path = target.folder.isEmpty() ? OutputRules::archiveBeside(folder, name)
                                                   : OutputRules::archiveIn(target.folder, name);
        }
        if (planned.nameProblem == OutputRules::FileNameProblem::None) {
            const QString key = OutputRules::pathKey(planned.path);
            planned.clashesWith = firstByKey.value(key, -1);
            if (planned.clashesWith < 0)
                firstByKey.insert(key, i);
        }
        plan.append(planned);
    }
    return plan;
}

ThemeJob::ThemeJob(JobKind kind, QList<JobItem> items, JobTarget target)
    : jobKind(kind), jobItems(std::move(items)), jobTarget(std::move(target))
{
}

ThemeJob::~ThemeJob() = default;

void ThemeJob::run()
{
    results = QList<JobOutcome>(jobItems.size());
    stopped = false;
    switch (jobKind) {
    case JobKind::Pack: return runPacks();
    case JobKind::Unpack: return runUnpacks();
    case JobKind::Edit: return runEdits();
    }
}

bool ThemeJob::report(int item, qint64 itemDone, qint64 itemTotal, qint64 runBefore,
                      qint64 runTotal, qint64 estimate)
{
    if (stopped)
        return false;
    JobProgress now;
    now.item = item;
    now.itemDone = itemDone;
    now.itemTotal = itemTotal;
    // An estimate of the item's bytes (an archive's size) stands for its
    // total, so the run's progress moves evenly from one item to the next.
    now.runDone = runBefore + (itemTotal > 0 ? estimate * itemDone / itemTotal : 0);
    now.runTotal = runTotal;
    stopped = progress && !progress(now);
    return !stopped;
}

void ThemeJob::cancelFrom(int item)
{
    const char *message = jobKind == JobKind::Pack     ? packCancelledMessage
                          : jobKind == JobKind::Unpack ? unpackCancelledMessage
                                                       : editCancelledMessage;
    for (int i = item; i < jobItems.size(); ++i) {
        if (!results[i].error.failed())
            results[i].error = {ThemeFailure::Cancelled, QLatin1String(message), 0, QString(),
                                QString()};
        if (itemFinished)
            itemFinished(i);
    }
}

// The packs of a run: every folder scanned first, so the run's total is
// known, then each archive written.
class ThemeJob::Packs
{
public:
    explicit Packs(ThemeJob &ownerJob) : job(ownerJob) {}
    void scan();
    void write();

private:
    bool prepare(int i, const PlannedArchive &planned);
    bool makeTargetFolder(int i);
    bool clashes(int i, const QString &archive);
    void noteWritten(int i, const QString &archive);

    ThemeJob &job;
    std::vector<std::unique_ptr<ThemePacker>> packers;
    QList<qint64> sizes;
    qint64 total = 0;
    QStringList madeFolders; // made for the target folder, the deepest first
    bool targetReady = false;
    bool targetFailed = false;
    int targetError = 0;
    // The archives written in this run, by path key and by identity (one
    // file under two spellings, on a file system that ignores letter case).
    struct Written
    {
        QString key;
        FileKey id;
        int item = 0;
    };
    QList<Written> written;
};

bool ThemeJob::Packs::prepare(int i, const PlannedArchive &planned)
{
    const JobItem &item = job.jobItems[i];
    JobOutcome &outcome = job.results[i];
    outcome.output = planned.path;
    outcome.outputFolder = QFileInfo(planned.path).absolutePath();
    const QString message = OutputRules::archiveNameMessage(planned.nameProblem, planned.name);
    if (!message.isEmpty()) {
        outcome.error = {ThemeFailure::BadThemeName, message, 0, QString(), planned.path};
        return false;
    }
    if (item.source.isEmpty()) { // names no folder, not the current one
        outcome.error = {ThemeFailure::Missing, QLatin1String(folderMissingMessage), 0, QString(),
                         QString()};
        return false;
    }
    auto packer = std::make_unique<ThemePacker>();
    // Absolute and clean, so "." or "themes/blue/" still name the folder itself.
    packer->folderPath = absoluteFolder(item.source);
    packer->themeName = item.themeName;
    packer->themeFilePath = planned.path;
    if (!packer->prepare()) {
        outcome.error = packer->error;
        return false;
    }
    sizes[i] = packer->contentSize();
    total += sizes[i];
    packers[size_t(i)] = std::move(packer);
    return true;
}

void ThemeJob::Packs::scan()
{
    const QList<PlannedArchive> plan = planArchives(job.jobItems, job.jobTarget);
    packers.resize(size_t(plan.size()));
    sizes = QList<qint64>(plan.size(), 0);
    for (int i = 0; i < plan.size() && !job.stopped; ++i) {
        JobProgress now;
        now.item = i;
        now.scanning = true;
        job.stopped = job.progress && !job.progress(now);
        if (!job.stopped)
            prepare(i, plan[i]);
    }
}

// The target folder is made when the first archive goes into it; when none
// does, the folders made for it are removed again.
bool ThemeJob::Packs::makeTargetFolder(int i)
{
    if (!targetReady && !job.jobTarget.folder.isEmpty())
        madeFolders = makeFolders(job.jobTarget.folder, targetFailed, targetError);
    targetReady = true;
    if (!targetFailed)
        return true;
    job.results[i].error = {writeFailureFor(targetError), QLatin1String(savePathMessage),
                            targetError, QString(), job.jobTarget.folder};
    return false;
}

// Two items that write one archive: the later would replace the earlier's.
bool ThemeJob::Packs::clashes(int i, const QString &archive)
{
    const QString key = OutputRules::pathKey(archive);
    FileKey id;
    const bool exists = fileIdentity(archive, id.device, id.inode);
    for (const Written &earlier : std::as_const(written)) {
        if (earlier.key != key
            && !(exists && earlier.id.device == id.device && earlier.id.inode == id.inode))
            continue;
        const QString earlierFolder = absoluteFolder(job.jobItems[earlier.item].source);
        job.results[i].error = {
            ThemeFailure::Conflict,
            QString::fromLatin1(writtenAlreadyMessage).arg(shown(archive), shown(earlierFolder)), 0,
            QString(), archive};
        return true;
    }
    return false;
}

void ThemeJob::Packs::noteWritten(int i, const QString &archive)
{
    Written entry;
    entry.key = OutputRules::pathKey(archive);
    entry.item = i;
    fileIdentity(archive, entry.id.device, entry.id.inode);
    written.append(entry);
}

void ThemeJob::Packs::write()
{
    qint64 before = 0;
    for (int i = 0; i < int(packers.size()); ++i) {
        if (job.stopped)
            return job.cancelFrom(i);
        ThemePacker *packer = packers[size_t(i)].get();
        if (job.itemStarted)
            job.itemStarted(i);
        if (packer && makeTargetFolder(i) && !clashes(i, packer->themeFilePath)) {
            packer->progress = [this, i, before](qint64 done, qint64 itemTotal) {
                return job.report(i, done, itemTotal, before, total, sizes[i]);
            };
            if (job.entryDone)
                packer->entryStarted = [this, i](const QString &name) { job.entryDone(i, name); };
            if (packer->write())
                noteWritten(i, packer->themeFilePath);
            else
                job.results[i].error = packer->error;
        }
        packers[size_t(i)].reset(); // its scan is no longer needed
        before += sizes[i];
        if (job.itemFinished)
            job.itemFinished(i);
    }
    if (written.isEmpty()) {
        for (const QString &folder : std::as_const(madeFolders))
            QDir().rmdir(folder);
    }
}

void ThemeJob::runPacks()
{
    Packs packs(*this);
    packs.scan();
    packs.write();
}

void ThemeJob::runUnpacks()
{
    runArchives(&ThemeJob::unpack);
}

void ThemeJob::runEdits()
{
    runArchives(&ThemeJob::edit);
}

// An unpack or edit run: the archives one after the other, the run's
// progress by their sizes.
void ThemeJob::runArchives(void (ThemeJob::*work)(int, qint64, qint64, qint64))
{
    QList<qint64> sizes;
    qint64 total = 0;
    for (const JobItem &item : std::as_const(jobItems)) {
        sizes.append(qMax<qint64>(0, QFileInfo(item.source).size()));
        total += sizes.last();
    }
    qint64 before = 0;
    for (int i = 0; i < jobItems.size(); ++i) {
        if (stopped)
            return cancelFrom(i);
        if (itemStarted)
            itemStarted(i);
        (this->*work)(i, before, total, sizes[i]);
        before += sizes[i];
        if (itemFinished)
            itemFinished(i);
    }
}

// Edits the archive in place, in one pass.
void ThemeJob::edit(int i, qint64 runBefore, qint64 runTotal, qint64 estimate)
{
    const JobItem &item = jobItems[i];
    JobOutcome &outcome = results[i];
    outcome.output = item.source;
    outcome.outputFolder = QFileInfo(item.source).absolutePath();
    PackHooks hooks;
    hooks.progress = [=](qint64 done, qint64 itemTotal) {
        return report(i, done, itemTotal, runBefore, runTotal, estimate);
    };
    if (entryDone)
        hooks.entryStarted = [this, i](const QString &name) { entryDone(i, name); };
    outcome.error = editArchive(item.source, item.changes, hooks, outcome.unmatched);
}

// Reads the archive once and unpacks what the item asks for.
void ThemeJob::unpack(int i, qint64 runBefore, qint64 runTotal, qint64 estimate)
{
    const JobItem &item = jobItems[i];
    JobOutcome &outcome = results[i];
    ThemeReader reader;
    reader.themeFilePath = item.source;
    reader.targetDir =
        jobTarget.folder.isEmpty() ? OutputRules::targetBeside(item.source) : jobTarget.folder;
    reader.progress = [=](qint64 done, qint64 itemTotal) {
        return report(i, done, itemTotal, runBefore, runTotal, estimate);
    };
    reader.fileWritten = [this, i, &outcome](const QString &file) {
        ++outcome.writtenCount;
        if (outcome.written.size() < keptWrittenFiles)
            outcome.written.append(file);
        if (entryDone)
            entryDone(i, file);
    };
    bool done = false;
    if (item.unpacksAll())
        done = reader.extract();
    else if (!item.entryNames.isEmpty())
        done = reader.extractEntries(item.entryNames);
    else
        done = reader.extractMatching(item.patterns, outcome.unmatched);
    outcome.outputFolder = QDir::cleanPath(reader.targetDir);
    outcome.output = QDir::cleanPath(
        reader.targetDir
        + ThemeNames::themeFolderComponents(reader.themeName).join(QLatin1Char('/')));
    if (!done)
        outcome.error = reader.error;
}
