// SPDX-License-Identifier: MIT
#include "ThemeExtractor.h"

#include "ArchiveWindow.h"
#include "ContentProgress.h"
#include "OpenArchive.h"
#include "ThemeNames.h"
#include "util/OutputTree.h"
#include "util/StreamCopy.h"

#include <QDir>

#include <cerrno>

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

// Why the output tree could not start or finish a file.
EntryOutcome treeFailed(const OutputTree &tree)
{
    switch (tree.problem()) {
    case OutputTree::Problem::LinkInWay:
        return entryFailed(ThemeFailure::Unwritable, 0,
                           QStringLiteral("A symbolic link is in the way"));
    case OutputTree::Problem::NotAFolder: return entryFailed(ThemeFailure::Unwritable, ENOTDIR);
    case OutputTree::Problem::SpecialFile:
        return entryFailed(ThemeFailure::Unwritable, 0,
                           QStringLiteral("A FIFO, socket or device is in the way"));
    case OutputTree::Problem::Protected:
        return entryFailed(ThemeFailure::Conflict, 0,
                           QStringLiteral("It is the theme file being unpacked"));
    case OutputTree::Problem::None:
    case OutputTree::Problem::System: break;
    }
    return entryFailed(writeFailureFor(tree.systemError()), tree.systemError());
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
        return archiveFailed(errno ? errno : EIO);
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
    EntryOutcome writeEntry(EntryWriter &writer, qsizetype i, QString &filePath);
    ThemeError failures() const;

    OpenArchive &archive;
    QString target;
    const ExtractHooks &hooks;
    QStringList themeFolder;
    OutputTree tree;
    QStringList failedFiles;
    ThemeError firstFailure;
};

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
    if (place.file.isEmpty()) { // "/img/" names a folder: it is made, and holds no file
        if (tree.makeFolder(folder))
            return {};
        filePath = target + folder.join(QLatin1Char('/'));
        return treeFailed(tree);
    }
    filePath = target + (folder + QStringList{place.file}).join(QLatin1Char('/'));
    if (ThemeNames::holdsInvalidBytes(name))
        return entryFailed(ThemeFailure::BadName, 0, QStringLiteral("The name is not valid UTF-8"));
    return writer.write(index.offset(i), index.size(i), folder, place.file);
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
    const ThemeError cancelled{ThemeFailure::Cancelled, QLatin1String(cancelledMessage), 0,
                               QString(), QString()};
    qint64 total = 0;
    qint64 largest = 0;
    for (const qsizetype i : chosen) {
        total += archive.index.size(i);
        largest = qMax<qint64>(largest, archive.index.size(i));
    }
    ContentProgress written(hooks.progress, total);
    // Its buffers are no larger than the resources need: small themes stay small.
    EntryWriter writer(archive.file, tree, largest, total, written.chunkCallback());
    for (const qsizetype i : chosen) {
        if (written.stopRequested()) // a cancel stops between files; those written stay whole
            return cancelled;
        QString filePath;
        EntryOutcome outcome = writeEntry(writer, i, filePath);
        switch (outcome.kind) {
        case EntryOutcome::Written:
            if (hooks.fileWritten && !filePath.isEmpty())
                hooks.fileWritten(filePath);
            if (archive.index.size(i) == 0)
                written.keepGoing(); // an empty file copies no chunk to hear a stop in
            break;
        case EntryOutcome::Cancelled: return cancelled;
        case EntryOutcome::ArchiveFailed:
            // The index was checked against the file's length, so the archive
            // changed or failed under us: nothing after this can be trusted.
            outcome.error.path = archive.file.fileName();
            return outcome.error;
        case EntryOutcome::Failed:
            // The others are still written; the message names the first.
            if (failedFiles.isEmpty()) {
                firstFailure = outcome.error;
                firstFailure.path = filePath;
            }
            failedFiles.append(QDir::toNativeSeparators(filePath));
            break;
        }
    }
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
