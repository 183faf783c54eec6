// SPDX-License-Identifier: MIT
#include "ThemeReader.h"

#include "ContentProgress.h"
#include "ThemeFormat.h"
#include "ThemeIndexParser.h"
#include "ThemeNames.h"
#include "util/OutputTree.h"
#include "util/RegularFile.h"
#include "util/StreamCopy.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

namespace {

const char missingMessage[] = "The specified theme file is NOT exists.";
const char openFailedMessage[] = "Can NOT open the theme file.";
const char noTagMessage[] = "Can NOT find the VLMR tag.";
const char damagedMessage[] = "The theme file is damaged.";
const char unsafeNameMessage[] =
    "The theme file holds a name that leads outside the folder it is unpacked into.";
const char readFailedMessage[] = "Can NOT read the theme file.";
const char oneWriteFailedMessage[] = "Can NOT write the resource file: %1";
const char writesFailedMessage[] = "Can NOT write %1 resource files, the first: %2";
const char cancelledMessage[] = "The unpacking was cancelled.";
const char badThemeNameMessage[] = "The theme name is not valid UTF-8.";
const char noSuchEntryMessage[] = "The theme file holds no resource named: %1";
const char tooLargeMessage[] =
    "The theme file holds more resources, or longer names, than Velmoro takes in.";

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
    ThemeFailure failure = ThemeFailure::None;
    QString reason;
};

EntryOutcome entryFailed(ThemeFailure failure, const QString &reason)
{
    return {EntryOutcome::Failed, failure, reason};
}

EntryOutcome archiveFailed(int systemError)
{
    return {EntryOutcome::ArchiveFailed, ThemeFailure::Unreadable,
            systemError ? qt_error_string(systemError) : QString()};
}

// Why the output tree could not start or finish a file.
EntryOutcome treeFailed(const OutputTree &tree)
{
    switch (tree.problem()) {
    case OutputTree::Problem::LinkInWay:
        return entryFailed(ThemeFailure::Unwritable,
                           QStringLiteral("A symbolic link is in the way"));
    case OutputTree::Problem::NotAFolder:
        return entryFailed(ThemeFailure::Unwritable, qt_error_string(ENOTDIR));
    case OutputTree::Problem::SpecialFile:
        return entryFailed(ThemeFailure::Unwritable,
                           QStringLiteral("A FIFO, socket or device is in the way"));
    case OutputTree::Problem::Protected:
        return entryFailed(ThemeFailure::Conflict,
                           QStringLiteral("It is the theme file being unpacked"));
    case OutputTree::Problem::None:
    case OutputTree::Problem::System: break;
    }
    return entryFailed(writeFailureFor(tree.systemError()), qt_error_string(tree.systemError()));
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
          windowCapacity(qBound<qint64>(1, total, windowSize))
    {
    }

    // Writes one entry into `name` in `folder`: whole, or not at all.
    EntryOutcome write(const ThemeEntry &entry, const QStringList &folder, const QString &name);

private:
    EntryOutcome writeSmall(const ThemeEntry &entry, const QStringList &folder,
                            const QString &name);
    const char *windowBytes(qint64 offset, qint64 size, int &error);

    QFile &archive;
    OutputTree &tree;
    ChunkCallback contentWritten;
    qint64 bufferSize;
    qint64 windowCapacity;
    QByteArray buffer;      // a chunk of a large resource
    QByteArray window;      // the part of the archive read ahead,
    qint64 windowStart = 0; // from this offset
};

// Small resources lie one after the other: most are in the window already,
// so a theme of many small files takes one read per window, not per file,
// and each file is written in one go without a device of its own.
const char *EntryWriter::windowBytes(qint64 offset, qint64 size, int &error)
{
    if (offset >= windowStart && offset + size <= windowStart + window.size())
        return window.constData() + (offset - windowStart);
    window.resize(qsizetype(windowCapacity));
    errno = 0;
    const qint64 got = archive.seek(offset) ? archive.read(window.data(), windowCapacity) : -1;
    error = errno;
    window.resize(qsizetype(qMax<qint64>(0, got)));
    windowStart = offset;
    return got >= size ? window.constData() : nullptr;
}

EntryOutcome EntryWriter::writeSmall(const ThemeEntry &entry, const QStringList &folder,
                                     const QString &name)
{
    int readError = 0;
    const char *contents = windowBytes(entry.offset, entry.size, readError);
    if (!contents)
        return archiveFailed(readError);
    if (!tree.start(folder, name))
        return treeFailed(tree);
    if (!tree.write(contents, entry.size)) {
        EntryOutcome failed = treeFailed(tree);
        tree.discard();
        return failed;
    }
    if (contentWritten)
        contentWritten(entry.size); // a stop asked for now is heard before the next file
    return tree.commit() ? EntryOutcome() : treeFailed(tree);
}

EntryOutcome EntryWriter::write(const ThemeEntry &entry, const QStringList &folder,
                                const QString &name)
{
    if (ThemeNames::holdsInvalidBytes(entry.name))
        return entryFailed(ThemeFailure::BadName, QStringLiteral("The name is not valid UTF-8"));
    if (entry.size <= smallResourceSize)
        return writeSmall(entry, folder, name);
    if (archive.pos() != entry.offset && !archive.seek(entry.offset))
        return archiveFailed(0);
    QFileDevice *file = tree.begin(folder, name);
    if (!file)
        return treeFailed(tree);
    buffer.resize(qsizetype(bufferSize));
    const CopyOutcome copied = copyBytes(archive, *file, entry.size, buffer, contentWritten);
    switch (copied.result) {
    case CopyResult::Done: return tree.commit() ? EntryOutcome() : treeFailed(tree);
    case CopyResult::Cancelled:
        tree.discard();
        return {EntryOutcome::Cancelled, ThemeFailure::Cancelled, QString()};
    case CopyResult::ReadShort:
    case CopyResult::ReadFailed: tree.discard(); return archiveFailed(copied.systemError);
    case CopyResult::WriteFailed: break;
    }
    tree.discard();
    return entryFailed(writeFailureFor(copied.systemError), qt_error_string(copied.systemError));
}

} // namespace

qint32 ThemeReader::decodeInt32(const QByteArray &bytes)
{
    if (bytes.size() < 4)
        return 0;
    return ThemeFormat::readInt32(bytes.constData());
}

bool ThemeReader::fail(ThemeFailure kind, const QString &message, const QString &reason)
{
    failure = kind;
    errorString = message;
    systemError = reason;
    return false;
}

bool ThemeReader::openArchive(QFile &archive, ThemeIndex &index)
{
    if (!QFileInfo::exists(archive.fileName()))
        return fail(ThemeFailure::Missing, QLatin1String(missingMessage));
    int error = 0;
    if (!openRegularFile(archive, archive.fileName(),
                         error)) // a FIFO would make the open wait forever
        return fail(ThemeFailure::Unreadable, QLatin1String(openFailedMessage),
                    error == EINVAL ? QStringLiteral("Not a regular file")
                                    : qt_error_string(error));
    switch (parseThemeIndex(archive, archive.size(), index)) {
    case ThemeIndexStatus::Ok: return true;
    case ThemeIndexStatus::NoTag:
        return fail(ThemeFailure::NotArchive, QLatin1String(noTagMessage));
    case ThemeIndexStatus::Damaged:
        return fail(ThemeFailure::Damaged, QLatin1String(damagedMessage));
    case ThemeIndexStatus::UnsafeName:
        return fail(ThemeFailure::Unsafe, QLatin1String(unsafeNameMessage));
    case ThemeIndexStatus::TooLarge:
        return fail(ThemeFailure::TooLarge, QLatin1String(tooLargeMessage));
    }
    return false;
}

bool ThemeReader::readIndex(const QString &archivePath, ThemeEntryList &entries, QString &name)
{
    QFile archive(archivePath);
    ThemeIndex index;
    if (!openArchive(archive, index))
        return false;
    version = index.version;
    name = index.themeName;
    // Handed over, not copied: an index may hold a million entries.
    if (entries.isEmpty())
        entries = std::move(index.entries);
    else
        entries.append(index.entries);
    return true;
}

bool ThemeReader::extract()
{
    return unpack(nullptr);
}

bool ThemeReader::extractEntries(const QStringList &names)
{
    const QSet<QString> wanted(names.cbegin(), names.cend());
    return unpack(&wanted);
}

bool ThemeReader::unpack(const QSet<QString> *wanted)
{
    if (!QFileInfo::exists(themeFilePath))
        return fail(ThemeFailure::Missing, QLatin1String(missingMessage));
    // Normalised before the archive is opened, so the value stays even when a
    // later step fails, and it carries over to the next archive of this reader.
    if (targetDir.isEmpty())
        targetDir = QFileInfo(themeFilePath).absolutePath();
    if (!targetDir.endsWith(QLatin1Char('/')))
        targetDir += QLatin1Char('/');

    QFile archive(themeFilePath);
    ThemeIndex index;
    if (!openArchive(archive, index))
        return false;
    version = index.version;
    themeName = index.themeName;
    // The theme folder's name would not be the one stored.
    if (ThemeNames::holdsInvalidBytes(themeName))
        return fail(ThemeFailure::BadName, QLatin1String(badThemeNameMessage));

    ThemeEntryList entries;
    qint64 total = 0;
    qint64 largest = 0;
    for (const ThemeEntry &entry : std::as_const(index.entries)) {
        if (wanted && !wanted->contains(entry.name))
            continue;
        entries.append(entry);
        total += entry.size;
        largest = qMax<qint64>(largest, entry.size);
    }
    ContentProgress written(progress, total);

    const QStringList themeFolder = ThemeNames::themeFolderComponents(themeName);
    OutputTree tree(targetDir);
    tree.protect(archive); // an entry named like the archive never replaces it
    // Its buffers are no larger than the resources need: small themes stay small.
    EntryWriter writer(archive, tree, largest, total, written.chunkCallback());
    QStringList failedFiles;
    EntryOutcome firstFailure;
    for (const ThemeEntry &entry : std::as_const(entries)) {
        if (written.stopRequested()) // a cancel stops between files; those written stay whole
            return fail(ThemeFailure::Cancelled, QLatin1String(cancelledMessage));
        const QStringList below = ThemeNames::entryComponents(themeName, entry.name);
        QStringList folder = themeFolder + below;
        const QString filePath = targetDir + folder.join(QLatin1Char('/'));
        const QString name = below.isEmpty() ? QString() : folder.takeLast();

        // A name such as "/" names the theme folder itself, never a file.
        const EntryOutcome outcome =
            name.isEmpty() ? entryFailed(ThemeFailure::Unwritable, qt_error_string(EISDIR))
                           : writer.write(entry, folder, name);
        switch (outcome.kind) {
        case EntryOutcome::Written:
            if (fileWritten)
                fileWritten(filePath);
            if (entry.size == 0)
                written.keepGoing(); // an empty file copies no chunk to hear a stop in
            break;
        case EntryOutcome::Cancelled:
            return fail(ThemeFailure::Cancelled, QLatin1String(cancelledMessage));
        case EntryOutcome::ArchiveFailed:
            // The index was checked against the file's length, so the archive
            // changed or failed under us: nothing after this can be trusted.
            return fail(outcome.failure, QLatin1String(readFailedMessage), outcome.reason);
        case EntryOutcome::Failed:
            // The others are still written; the message names the first.
            if (failedFiles.isEmpty())
                firstFailure = outcome;
            failedFiles.append(QDir::toNativeSeparators(filePath));
            break;
        }
    }
    if (failedFiles.isEmpty())
        return true;
    const QString message =
        failedFiles.size() == 1
            ? QString::fromLatin1(oneWriteFailedMessage).arg(failedFiles.first())
            : QString::fromLatin1(writesFailedMessage)
                  .arg(failedFiles.size())
                  .arg(failedFiles.first());
    return fail(firstFailure.failure, message, firstFailure.reason);
}

bool ThemeReader::readEntry(const QString &archivePath, const QString &name, QIODevice &out)
{
    outputError = 0;
    QFile archive(archivePath);
    ThemeIndex index;
    if (!openArchive(archive, index))
        return false;
    version = index.version;
    // Two entries of one name: the later one is what an unpack leaves.
    const ThemeEntry *found = nullptr;
    for (const ThemeEntry &entry : std::as_const(index.entries)) {
        if (entry.name == name)
            found = &entry;
    }
    if (!found)
        return fail(ThemeFailure::Missing, QString::fromLatin1(noSuchEntryMessage).arg(name));
    if (!archive.seek(found->offset))
        return fail(ThemeFailure::Unreadable, QLatin1String(readFailedMessage));
    QByteArray buffer(qsizetype(qBound<qint64>(1, qint64(found->size), copyBufferSize)),
                      Qt::Uninitialized);
    const CopyOutcome copied = copyBytes(archive, out, found->size, buffer);
    const QString reason = copied.systemError ? qt_error_string(copied.systemError) : QString();
    switch (copied.result) {
    case CopyResult::Done: return true;
    case CopyResult::WriteFailed:
        outputError = copied.systemError ? copied.systemError : EIO;
        return fail(writeFailureFor(copied.systemError),
                    QString::fromLatin1(oneWriteFailedMessage).arg(name), reason);
    case CopyResult::ReadShort:
    case CopyResult::ReadFailed:
    case CopyResult::Cancelled: break;
    }
    return fail(ThemeFailure::Unreadable, QLatin1String(readFailedMessage), reason);
}
