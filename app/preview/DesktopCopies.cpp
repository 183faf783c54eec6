// SPDX-License-Identifier: MIT
#include "DesktopCopies.h"

#include "ScratchFolder.h"
#include "app/run/BackgroundRun.h"
#include "archive/ThemeNames.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QWidget>

#include <algorithm>

namespace {

// The archive as it is now: the same text for the same file unchanged.
QString versionOf(const QString &archive)
{
    const QFileInfo info(archive);
    if (!info.exists())
        return QString();
    return info.canonicalFilePath() + QLatin1Char('\n') + QString::number(info.size())
           + QLatin1Char('\n') + QString::number(info.lastModified().toMSecsSinceEpoch())
           + QLatin1Char('\n') + QString::number(info.metadataChangeTime().toMSecsSinceEpoch());
}

// Where the extractor puts the entry (or, for a path without its leading
// "/", the resource or folder) below `targetDir`.
QString placeOf(const QString &targetDir, const QString &themeName, const QString &entry)
{
    QStringList components = ThemeNames::themeFolderComponents(themeName);
    if (!entry.isEmpty())
        components += ThemeNames::entryComponents(themeName, entry);
    return targetDir + components.join(QLatin1Char('/'));
}

} // namespace

QString DesktopCopy::copyOf(const QString &path) const
{
    return placeOf(targetDir, themeName, path.isEmpty() ? path : QLatin1Char('/') + path);
}

DesktopCopies::DesktopCopies(QWidget *ownerWidget) : QObject(ownerWidget), owner(ownerWidget)
{
    // Made at once: its name with this process's id is what tells a later
    // Velmoro that this one still runs.
    scratch = makeScratchFolder();
}

DesktopCopies::~DesktopCopies()
{
    removeAll();
}

std::shared_ptr<DesktopCopy>
DesktopCopies::request(const QString &archive, const QString &themeName, const QStringList &entries)
{
    auto copy = std::make_shared<DesktopCopy>();
    copy->archive = archive;
    copy->themeName = themeName;
    copy->entries = entries;
    waiting.push_back(copy);
    startNext();
    return copy;
}

// Finds the copy's folder and the entries that have no current copy there.
bool DesktopCopies::prepare(DesktopCopy &copy)
{
    if (!scratch)
        scratch = makeScratchFolder();
    if (!scratch)
        return false;
    copy.archiveVersion = versionOf(copy.archive);
    QString &folder = versionFolders[copy.archiveVersion];
    if (folder.isEmpty())
        folder = scratch->filePath(QString::number(++foldersMade)) + QLatin1Char('/');
    copy.targetDir = folder;
    copy.missing.clear();
    for (const QString &entry : std::as_const(copy.entries)) {
        if (copy.archiveVersion.isEmpty()
            || !isCurrent(placeOf(copy.targetDir, copy.themeName, entry)))
            copy.missing.append(entry);
    }
    return true;
}

// A copy made earlier, still as it was made; a folder entry only makes its folder.
bool DesktopCopies::isCurrent(const QString &file) const
{
    const QFileInfo info(file);
    if (info.isDir() && !info.isSymLink())
        return true;
    const auto made = kept.constFind(file);
    return made != kept.constEnd() && info.isFile() && !info.isSymLink()
           && *made == FileStamp{info.size(), info.lastModified().toMSecsSinceEpoch()};
}

void DesktopCopies::startNext()
{
    while (!run && !waiting.empty()) {
        const std::shared_ptr<DesktopCopy> copy = waiting.front();
        waiting.pop_front();
        if (!prepare(*copy)) {
            copy->state = DesktopCopy::State::Failed;
            copy->report.failures.append(
                {QDir::toNativeSeparators(copy->archive),
                 tr("无法在系统的临时文件夹中建立 Velmoro 自己的文件夹。请确认临时文件夹存在并且可以写入。"),
                 QStringLiteral("Can NOT make a folder in the temporary folder."), QString()});
        } else if (copy->missing.isEmpty()) {
            copy->state = DesktopCopy::State::Ready;
        } else {
            return startCopying(copy);
        }
        finish(copy);
    }
}

// Unpacks the entries the copy misses into its folder, on a worker thread.
void DesktopCopies::startCopying(const std::shared_ptr<DesktopCopy> &copy)
{
    ThemeRun job;
    job.kind = JobKind::Unpack;
    JobItem item;
    item.source = copy->archive;
    item.entryNames = copy->missing;
    job.items = {item};
    job.target.folder = copy->targetDir;
    job.names = {copy->themeName};
    job.texts.title = tr("取出资源");
    job.progressLabel = tr("正在从主题 %1 中取出资源（%2/%3）");
    copy->state = DesktopCopy::State::Copying;
    current = copy;
    run = std::make_unique<BackgroundRun>(owner->window(), std::move(job),
                                          progressDelay ? progressDelay() : 500);
    // Queued, so the run is not destroyed from inside its own signal.
    connect(
        run.get(), &BackgroundRun::finished, this,
        [this, number = ++runNumber] {
            if (number == runNumber)
                copyFinished();
        },
        Qt::QueuedConnection);
    run->start();
}

void DesktopCopies::copyFinished()
{
    const std::unique_ptr<BackgroundRun> ended = std::move(run);
    const std::shared_ptr<DesktopCopy> copy = std::move(current);
    const RunReport &report = ended->report();
    if (!report.failures.isEmpty()) {
        copy->state = DesktopCopy::State::Failed;
        copy->report = report;
    } else if (!report.notDone.isEmpty()) {
        copy->state = DesktopCopy::State::Cancelled;
    } else {
        copy->state = DesktopCopy::State::Ready;
    }
    noteMade(*copy);
    if (copy->discarded || copy->state != DesktopCopy::State::Ready)
        removeMade(*copy);
    finish(copy);
    startNext();
}

void DesktopCopies::finish(const std::shared_ptr<DesktopCopy> &copy)
{
    const std::function<void()> finished = std::move(copy->finished);
    copy->finished = nullptr;
    if (finished)
        finished();
}

// The files the run made for the copy; kept for reuse when the archive did
// not change while they were made.
void DesktopCopies::noteMade(DesktopCopy &copy)
{
    const bool reusable = versionOf(copy.archive) == copy.archiveVersion;
    for (const QString &entry : std::as_const(copy.missing)) {
        const QString file = placeOf(copy.targetDir, copy.themeName, entry);
        const QFileInfo info(file);
        if (!info.isFile() || info.isSymLink())
            continue;
        copy.made.append(file);
        if (reusable)
            kept.insert(file, {info.size(), info.lastModified().toMSecsSinceEpoch()});
    }
}

// Removes the files made for the copy, and the folders on their way that
// hold nothing else now (made for it, or for a file it did not finish).
void DesktopCopies::removeMade(DesktopCopy &copy)
{
    for (const QString &file : std::as_const(copy.made)) {
        kept.remove(file);
        QFile::remove(file);
    }
    copy.made.clear();
    const QString top = QDir::cleanPath(copy.targetDir);
    for (const QString &entry : std::as_const(copy.missing)) {
        for (QString folder =
                 QFileInfo(placeOf(copy.targetDir, copy.themeName, entry)).absolutePath();
             folder.startsWith(top) && QDir().rmdir(folder);
             folder = QFileInfo(folder).absolutePath()) {
        }
    }
}

void DesktopCopies::discard(const std::shared_ptr<DesktopCopy> &copy)
{
    copy->discarded = true;
    switch (copy->state) {
    case DesktopCopy::State::Waiting:
        waiting.erase(std::find(waiting.begin(), waiting.end(), copy));
        copy->state = DesktopCopy::State::Cancelled;
        break;
    case DesktopCopy::State::Copying:
        run->cancel(); // its files go once it has stopped
        break;
    default: removeMade(*copy);
    }
}

void DesktopCopies::removeAll()
{
    std::deque<std::shared_ptr<DesktopCopy>> stopped = std::move(waiting);
    waiting.clear();
    if (current) {
        run.reset(); // stops the work and waits for it
        stopped.push_front(std::move(current));
    }
    kept.clear();
    versionFolders.clear();
    scratch.reset();
    for (const std::shared_ptr<DesktopCopy> &copy : stopped) {
        copy->state = DesktopCopy::State::Cancelled;
        copy->made.clear();
        finish(copy);
    }
}
