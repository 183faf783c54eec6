// SPDX-License-Identifier: MIT
#include "ThemeExtractor.h"

#include "ArchiveWindow.h"
#include "ContentProgress.h"
#include "FileWriterPool.h"
#include "OpenArchive.h"
#include "ThemeNames.h"
#include "util/OutputTree.h"
#include "util/StreamCopy.h"

#include <QDir>

#include <cerrno>
#include <memory>

namespace {

const char readFailedMessage[] = "Can NOT read the theme file.";
const char oneWriteFailedMessage[] = "Can NOT write the resource file: %1";
const char writesFailedMessage[] = "Can NOT write %1 resource files, the first: %2";
const char cancelledMessage[] = "The unpacking was cancelled.";
const char badThemeNameMessage[] = "The theme name is not valid UTF-8.";

// Copy chunk for unpacking (when the kernel cannot copy a resource itself):
// memory stays flat whatever the size of a resource.
constexpr qint64 copyBufferSize = qint64(1024) * 1024;

// Resources up to this size are read with their neighbours, a window of the
// archive at a time, and written in one go; larger ones are copied in chunks,
// by the kernel where it can.
constexpr qint64 smallResourceSize = qint64(256) * 1024;
constexpr qint64 windowSize = qint64(1024) * 1024;

// Small resources are created and filled by this many threads, with this many
// files written ahead of the one being put in place (see FileWriterPool).
// Two threads came out best on two cores; the files ahead keep both busy.
constexpr int writerThreads = 2;
constexpr int filesAhead = 8;
// Threads cost more than they save for a few files (an extract of one).
constexpr qsizetype threadedFrom = 16;

// How writing one entry ended.
struct EntryOutcome
{
    enum Kind { Written, Failed, Cancelled, ArchiveFailed } kind = Written;
    ThemeError error; // Failed and ArchiveFailed: why
};

EntryOutcome entryFailed(ThemeFailure kind, int systemError, const QString &detail = QString())
{
    return {EntryOutcome::Failed, {kind, QString(), systemError, detail, QString()}};
}

EntryOutcome archiveFailed(int systemError)
{
    return {EntryOutcome::ArchiveFailed,
            {ThemeFailure::Unreadable, QLatin1String(readFailedMessage), systemError, QString(),
             QString()}};
}

// Why the output tree could not start or finish a file. What stood in the
// way keeps its own path, so the user is told what to move.
EntryOutcome treeFailed(const OutputTree &tree)
{
    EntryOutcome failed;
    switch (tree.problem()) {
    case OutputTree::Problem::LinkInWay:
        failed = entryFailed(ThemeFailure::LinkInWay, 0,
                             QStringLiteral("A symbolic link is in the way"));
        break;
    case OutputTree::Problem::NotAFolder:
        failed = entryFailed(ThemeFailure::FileInWay, ENOTDIR);
        break;
    case OutputTree::Problem::SpecialFile:
        return entryFailed(ThemeFailure::Unwritable, 0,
                           QStringLiteral("A FIFO, socket or device is in the way"));
    case OutputTree::Problem::Protected:
        return entryFailed(ThemeFailure::Conflict, 0,
                           QStringLiteral("It is the theme file being unpacked"));
    case OutputTree::Problem::None:
    case OutputTree::Problem::System:
        return entryFailed(writeFailureFor(tree.systemError()), tree.systemError());
    }
    failed.error.path = tree.problemPath();
    return failed;
}

// Writes entries' contents, which lie at their offsets in the archive, into
// files below the output tree's root.
class EntryWriter
{
public:
    EntryWriter(QFile &archiveFile, OutputTree &outputTree, qint64 largest, qint64 total,
                ChunkCallback chunkWritten)
        : archive(archiveFile),
          tree(outputTree),
          contentWritten(std::move(chunkWritten)),
          bufferSize(qBound<qint64>(1, largest, copyBufferSize)),
          window(archiveFile, qBound<qint64>(1, total, windowSize))
    {
    }

    // Writes one entry into `name` in `folder`: whole, or not at all.
    EntryOutcome write(qint64 offset, qint64 size, const QStringList &folder, const QString &name);

    // The contents of a small resource: `shared` holds them from `from` on.
    // False for a large one, or when they cannot be read (write() then says why).
    bool smallContents(qint64 offset, qint64 size, QByteArray &shared, qsizetype &from);

private:
    EntryOutcome writeSmall(qint64 offset, qint64 size, const QStringList &folder,
                            const QString &name);

    QFile &archive;
    OutputTree &tree;
    ChunkCallback contentWritten;
    qint64 bufferSize;
    QByteArray buffer;    // a chunk of a large resource
    ArchiveWindow window; // the small ones, read a window of the archive at a time
};

bool EntryWriter::smallContents(qint64 offset, qint64 size, QByteArray &shared, qsizetype &from)
{
    int readError = 0;
    return size <= smallResourceSize && window.share(offset, size, shared, from, readError);
}

EntryOutcome EntryWriter::writeSmall(qint64 offset, qint64 size, const QStringList &folder,
                                     const QString &name)
{
    int readError = 0;
    // Written in one go, without a device of its own.
    const char *contents = window.bytes(offset, size, readError);
    if (!contents)
        return archiveFailed(readError);
    if (!tree.start(folder, name))
        return treeFailed(tree);
    if (!tree.write(contents, size)) {
        EntryOutcome failed = treeFailed(tree);
        tree.discard();
        return failed;
    }
    if (contentWritten)
        contentWritten(size); // a stop asked for now is heard before the next file
    return tree.commit() ? EntryOutcome() : treeFailed(tree);
}

EntryOutcome EntryWriter::write(qint64 offset, qint64 size, const QStringList &folder,
                                const QString &name)
{
    if (size <= smallResourceSize)
        return writeSmall(offset, size, folder, name);
    errno = 0;
    if (archive.pos() != offset && !archive.seek(offset))
        return archiveFailed(errno);
    QFileDevice *file = tree.begin(folder, name);
    if (!file)
        return treeFailed(tree);
    buffer.resize(qsizetype(bufferSize));
    const CopyOutcome copied = copyBytes(archive, *file, size, buffer, contentWritten);
    switch (copied.result) {
    case CopyResult::Done: return tree.commit() ? EntryOutcome() : treeFailed(tree);
    case CopyResult::Cancelled: tree.discard(); return {EntryOutcome::Cancelled, {}};
    case CopyResult::ReadShort:
    case CopyResult::ReadFailed: tree.discard(); return archiveFailed(copied.systemError);
    case CopyResult::WriteFailed: break;
    }
    tree.discard();
    return entryFailed(writeFailureFor(copied.systemError), copied.systemError);
}

// One unpack of one archive: the entries chosen, where they go, and the
// files that could not be written.
class Extraction
{
public:
    Extraction(OpenArchive &openArchive, const QString &targetDir, const ExtractHooks &hooks);
    ThemeError run(const QList<qsizetype> &chosen);

private:
    // A small file being written by the pool, to be put in place in turn.
    struct Queued
    {
        qsizetype index;
        QString filePath;
    };

    EntryOutcome writeEntry(EntryWriter &writer, qsizetype i, QString &filePath);
    bool queueSmall(EntryWriter &writer, qsizetype i);
    bool finishOldest(ContentProgress &written, ThemeError &stop);
    bool report(qsizetype i, const QString &filePath, EntryOutcome &outcome,
                ContentProgress &written, ThemeError &stop);
    ThemeError failures() const;

    OpenArchive &archive;
    QString target;
    const ExtractHooks &hooks;
    QStringList themeFolder;
    OutputTree tree;
    std::unique_ptr<FileWriterPool> pool; // for many files
    QList<Queued> queued;                 // in the pool, oldest first
    ChunkCallback contentWritten;
    QStringList failedFiles;
    ThemeError firstFailure;
};

ThemeError cancelledError()
{
    return {ThemeFailure::Cancelled, QLatin1String(cancelledMessage), 0, QString(), QString()};
}

Extraction::Extraction(OpenArchive &openArchive, const QString &targetDir,
                       const ExtractHooks &extractHooks)
    : archive(openArchive),
      target(targetDir),
      hooks(extractHooks),
      themeFolder(ThemeNames::themeFolderComponents(openArchive.index.themeName)),
      tree(targetDir)
{
    tree.protect(archive.file); // an entry named like the archive never replaces it
}

// Writes the entry at `i`; `filePath` receives the file written, or stays
// empty for an entry that names a folder.
EntryOutcome Extraction::writeEntry(EntryWriter &writer, qsizetype i, QString &filePath)
{
    const ThemeIndex &index = archive.index;
    const QString name = index.name(i);
    ThemeNames::EntryPlace place = ThemeNames::entryPlace(index.themeName, name);
    const QStringList folder = themeFolder + place.folders;
    const QString placePath =
        target
        + (place.file.isEmpty() ? folder : folder + QStringList{place.file}).join(QLatin1Char('/'));
    // Checked for folders too: a folder named with stand-ins for bytes that
    // were not UTF-8 would be a place no entry names.
    if (ThemeNames::holdsInvalidBytes(name)) {
        filePath = placePath;
        return entryFailed(ThemeFailure::BadName, 0, QStringLiteral("The name is not valid UTF-8"));
    }
    if (place.file.isEmpty()) { // "/img/" names a folder: it is made, and holds no file
        if (tree.makeFolder(folder))
            return {};
        filePath = placePath;
        return treeFailed(tree);
    }
    filePath = placePath;
    return writer.write(index.offset(i), index.size(i), folder, place.file);
}

// Hands the entry at `i` to the pool when it is a small file; false for
// anything else, which writeEntry() then writes.
bool Extraction::queueSmall(EntryWriter &writer, qsizetype i)
{
    const ThemeIndex &index = archive.index;
    const QString name = index.name(i);
    ThemeNames::EntryPlace place = ThemeNames::entryPlace(index.themeName, name);
    QByteArray contents;
    qsizetype from = 0;
    if (place.file.isEmpty() || ThemeNames::holdsInvalidBytes(name)
        || !writer.smallContents(index.offset(i), index.size(i), contents, from))
        return false;
    const QStringList folder = themeFolder + place.folders;
    pool->queue(folder, place.file, contents, from, index.size(i));
    queued.append({i, target + (folder + QStringList{place.file}).join(QLatin1Char('/'))});
    return true;
}

// Puts the oldest file of the pool in place, as writeSmall() would have: a
// stop asked for since the file before it drops it and every one after it.
bool Extraction::finishOldest(ContentProgress &written, ThemeError &stop)
{
    const Queued file = queued.takeFirst();
    bool wasWritten = false;
    OutputTree &fileTree = pool->oldest(wasWritten);
    if (written.stopRequested()) {
        fileTree.discard();
        pool->release();
        stop = cancelledError();
        return false;
    }
    EntryOutcome outcome;
    if (!wasWritten) {
        outcome = treeFailed(fileTree);
    } else {
        if (contentWritten)
            contentWritten(archive.index.size(file.index));
        if (!fileTree.commit())
            outcome = treeFailed(fileTree);
    }
    pool->release();
    return report(file.index, file.filePath, outcome, written, stop);
}

// Tells how the entry at `i` went; false, with `stop` set, when the run ends.
bool Extraction::report(qsizetype i, const QString &filePath, EntryOutcome &outcome,
                        ContentProgress &written, ThemeError &stop)
{
    switch (outcome.kind) {
    case EntryOutcome::Written:
        if (hooks.fileWritten && !filePath.isEmpty())
            hooks.fileWritten(filePath);
        if (archive.index.size(i) == 0)
            written.keepGoing(); // an empty file copies no chunk to hear a stop in
        return true;
    case EntryOutcome::Cancelled: stop = cancelledError(); return false;
    case EntryOutcome::ArchiveFailed:
        // The index was checked against the file's length, so the archive
        // changed or failed under us: nothing after this can be trusted.
        stop = outcome.error;
        stop.path = archive.file.fileName();
        return false;
    case EntryOutcome::Failed:
        // The others are still written; the message names the first.
        if (failedFiles.isEmpty()) {
            firstFailure = outcome.error;
            if (firstFailure.path.isEmpty()) // else what stood in its way
                firstFailure.path = filePath;
        }
        failedFiles.append(QDir::toNativeSeparators(filePath));
        return true;
    }
    return true;
}

// The files that could not be written, as one failure naming the first.
ThemeError Extraction::failures() const
{
    if (failedFiles.isEmpty())
        return {};
    ThemeError error = firstFailure;
    error.message = failedFiles.size() == 1
                        ? QString::fromLatin1(oneWriteFailedMessage).arg(failedFiles.first())
                        : QString::fromLatin1(writesFailedMessage)
                              .arg(failedFiles.size())
                              .arg(failedFiles.first());
    return error;
}

ThemeError Extraction::run(const QList<qsizetype> &chosen)
{
    qint64 total = 0;
    qint64 largest = 0;
    for (const qsizetype i : chosen) {
        total += archive.index.size(i);
        largest = qMax<qint64>(largest, archive.index.size(i));
    }
    ContentProgress written(hooks.progress, total);
    contentWritten = written.chunkCallback();
    // Its buffers are no larger than the resources need: small themes stay small.
    EntryWriter writer(archive.file, tree, largest, total, written.chunkCallback());
    if (chosen.size() >= threadedFrom)
        pool = std::make_unique<FileWriterPool>(target, archive.file, filesAhead, writerThreads);
    ThemeError stop;
    for (const qsizetype i : chosen) {
        if (written.stopRequested()) // a cancel stops between files; those written stay whole
            return cancelledError();
        if (pool && pool->isFull() && !finishOldest(written, stop))
            return stop;
        if (pool && queueSmall(writer, i))
            continue;
        while (!queued.isEmpty()) // files appear in archive order
            if (!finishOldest(written, stop))
                return stop;
        QString filePath;
        EntryOutcome outcome = writeEntry(writer, i, filePath);
        if (!report(i, filePath, outcome, written, stop))
            return stop;
    }
    while (!queued.isEmpty())
        if (!finishOldest(written, stop))
            return stop;
    return failures();
}

} // namespace

ThemeError extractArchive(OpenArchive &archive, const QString &targetDir,
                          const QList<qsizetype> *chosen, const ExtractHooks &hooks)
{
    // The theme folder's name would not be the one stored.
    if (ThemeNames::holdsInvalidBytes(archive.index.themeName))
        return {ThemeFailure::BadName, QLatin1String(badThemeNameMessage), 0, QString(),
                archive.file.fileName()};
    QList<qsizetype> all;
    if (!chosen) {
        all.reserve(archive.index.count());
        for (qsizetype i = 0; i < archive.index.count(); ++i)
            all.append(i);
    }
    Extraction extraction(archive, targetDir, hooks);
    return extraction.run(chosen ? *chosen : all);
}
