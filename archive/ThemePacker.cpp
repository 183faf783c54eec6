// SPDX-License-Identifier: MIT
#include "ThemePacker.h"

#include "ArchiveOutput.h"
#include "ContentProgress.h"
#include "ThemeFormat.h"
#include "ThemeIndexParser.h"
#include "ThemeNames.h"
#include "util/FolderListing.h"
#include "util/RegularFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <cerrno>

namespace {

const char folderMissingMessage[] = "The dir path is NOT validate.";
const char subFolderMissingMessage[] = "The dir path is NOT exist.";
const char savePathMessage[] = "The theme file saved path is NOT validate.";
const char writeFailedMessage[] = "Can NOT write the theme file.";
const char tooLargeMessage[] = "The theme file would reach 2 GB, more than a theme file can hold.";
const char tooManyFilesMessage[] =
    "The folder holds more than 1,000,000 files, more than a theme file can hold.";
const char namesTooLongMessage[] =
    "The names of the folder's resources take more than 64 MiB together, more than a theme file can hold.";
const char tooDeepMessage[] =
    "The folder nests folders more than 256 deep, more than a theme file can hold.";
const char pathsTooLongMessage[] =
    "The paths of the folder's resources take more than 64 MiB together (counting every way that links lead to them), more than Velmoro takes in.";
const char tooManyFoldersMessage[] =
    "The folder holds more than 100,000 folders (counting every "
    "way that links lead to them), more than a theme file can hold.";

// Far more than any theme holds: a scan that reaches either has gone astray
// (links that reach the same folders by many routes double the folders per
// level), and stops before it eats the machine's time and memory.
constexpr qint64 maxFiles = ThemeFormat::maxEntries; // what a reader takes in
constexpr qint64 maxFolders = 100000;
// The scan keeps each file's path, which holds the packed folder's own path
// too: under a deep folder a fan-out of links would fill memory with paths
// long before the names reach what an archive can hold.
constexpr qint64 maxPathCharacters = qint64(32) * 1024 * 1024; // 64 MiB as UTF-16
const char readFailedMessage[] = "Can NOT read the resource file: %1";
const char unreadableFolderMessage[] = "Can NOT read the resource folder: %1";
const char changedMessage[] = "The resource file changed while packing: %1";
const char cancelledMessage[] = "The packing was cancelled.";
const char notUtf8Message[] = "The resource name is not valid UTF-8: %1";
const char unsafeNameMessage[] =
    "The resource name would lead outside the folder it is unpacked into: %1";
const char badThemeNameMessage[] =
    "The theme name can NOT be \".\" or \"..\", nor hold \"/\" or \"\\\": %1";
const char replacesResourceMessage[] =
    "The theme file would replace one of the resources being packed: %1";

// A folder entry with its decoded name.
struct NamedEntry
{
    QString name;
    ListedEntry entry;
};

// Sorts a folder's entries by name ignoring case: names are compared after
// lower-casing, code unit by code unit; names equal but for case keep a fixed
// order so that every scan of the same tree gives the same archive.
void sortByName(QList<NamedEntry> &entries)
{
    QList<std::pair<QString, qsizetype>> keyed;
    keyed.reserve(entries.size());
    for (qsizetype i = 0; i < entries.size(); ++i)
        keyed.append({entries[i].name.toLower(), i});
    std::sort(keyed.begin(), keyed.end(), [&entries](const auto &a, const auto &b) {
        const int byKey = a.first.compare(b.first);
        return byKey != 0 ? byKey < 0 : entries[a.second].name < entries[b.second].name;
    });
    QList<NamedEntry> sorted;
    sorted.reserve(entries.size());
    for (const auto &key : std::as_const(keyed))
        sorted.append(entries[key.second]);
    entries.swap(sorted);
}

void appendZeros(QByteArray &bytes, qint64 count)
{
    bytes.append(qsizetype(count), '\0');
}

// A theme name is also the default archive's file name: it must not move the
// archive into another folder, nor be refused by the reader.
bool isAcceptableThemeName(const QString &name)
{
    return name != QLatin1String(".") && name != QLatin1String("..")
           && !name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\'))
           && ThemeNames::isSafeName(name);
}

// An older theme archive, which a new pack may replace: a file that merely
// starts with the tag, or a damaged archive, is a resource like any other.
bool isThemeArchive(const QString &path)
{
    QFile file;
    int error = 0;
    if (!openRegularFile(file, path, error))
        return false;
    ThemeIndex index;
    const ThemeIndexStatus status = parseThemeIndex(file, file.size(), index);
    return status != ThemeIndexStatus::NoTag && status != ThemeIndexStatus::Damaged;
}

} // namespace

QByteArray ThemePacker::encodeInt32(qint32 value)
{
    return ThemeFormat::int32Bytes(value);
}

void ThemePacker::reset()
{
    folderPath.clear();
    themeName.clear();
    themeFilePath.clear();
}

QString ThemePacker::defaultThemeFilePath() const
{
    // Beside the packed folder; a folder directly below the root gives a bare
    // file name, resolved against the current directory.
    const QString absolute = QDir(folderPath).absolutePath();
    const qsizetype slash = absolute.lastIndexOf(QLatin1Char('/'));
    const QString prefix = slash >= 1 ? absolute.left(slash + 1) : QString();
    return prefix + themeName + QStringLiteral(".tsk");
}

bool ThemePacker::fail(ThemeFailure kind, const QString &message, const QString &reason)
{
    failure = kind;
    errorString = message;
    systemError = reason;
    return false;
}

bool ThemePacker::failWithSystemError(ThemeFailure kind, const QString &message, int error)
{
    return fail(kind, message, error ? qt_error_string(error) : QString());
}

bool ThemePacker::scanFolder(const QString &folder, QList<SourceFile> &files, const QString &prefix)
{
    int error = 0;
    const ListedFolder opened = ListedFolder::open(folder, error);
    return scanOpenFolder(opened, error, folder, files, prefix);
}

bool ThemePacker::scanOpenFolder(const ListedFolder &folder, int openError, const QString &path,
                                 QList<SourceFile> &files, const QString &prefix)
{
    QList<ListedEntry> listed;
    int error = openError;
    if (!folder.isOpen() || !folder.list(listed, error)) {
        if (error == ENOENT || error == ENOTDIR) {
            // Gone since its parent was listed: it holds nothing to pack.
            errorString = QLatin1String(subFolderMissingMessage);
            return true;
        }
        return failWithSystemError(
            ThemeFailure::Unreadable,
            QString::fromLatin1(unreadableFolderMessage).arg(QDir::toNativeSeparators(path)),
            error);
    }
    const FileId id{folder.device(), folder.inode()};
    if (foldersBeingScanned.contains(id))
        return true; // a link back to a folder that is being scanned already
    if (foldersBeingScanned.size() >= ThemeFormat::maxDepth)
        return fail(ThemeFailure::TooLarge, QLatin1String(tooDeepMessage));
    if (++scannedFolders > maxFolders)
        return fail(ThemeFailure::TooLarge, QLatin1String(tooManyFoldersMessage));

    QList<NamedEntry> fileEntries;
    QList<NamedEntry> folderEntries;
    for (const ListedEntry &entry : std::as_const(listed)) {
        if (entry.kind == ListedEntry::Other)
            continue; // a FIFO, socket or device holds no resource
        const QString name = ThemeNames::decode(entry.name.constData(), entry.name.size());
        const QString entryPath = path + QLatin1Char('/') + name;
        if (!ThemeNames::isUtf8(entry.name.constData(), entry.name.size())) // archives store UTF-8
            return fail(
                ThemeFailure::BadName,
                QString::fromLatin1(notUtf8Message).arg(QDir::toNativeSeparators(entryPath)));
        if (entry.kind == ListedEntry::File && archiveExists
            && FileId{entry.device, entry.inode} == archiveId) {
            if (archiveIsTheme)
                continue; // the older archive is never packed into the new one
            return fail(ThemeFailure::Conflict, QString::fromLatin1(replacesResourceMessage)
                                                    .arg(QDir::toNativeSeparators(entryPath)));
        }
        (entry.kind == ListedEntry::Folder ? folderEntries : fileEntries).append({name, entry});
    }
    sortByName(fileEntries);
    sortByName(folderEntries);

    for (const NamedEntry &entry : std::as_const(fileEntries)) {
        const QString entryName = prefix + entry.name;
        const QString entryPath = path + QLatin1Char('/') + entry.name;
        // Never an archive that its own reader would refuse.
        if (!ThemeNames::isSafeName(entryName)
            || !ThemeNames::staysInsideThemeFolder(themeName, entryName))
            return fail(
                ThemeFailure::Unsafe,
                QString::fromLatin1(unsafeNameMessage).arg(QDir::toNativeSeparators(entryPath)));
        SourceFile file;
        file.encodedName = entryName.toUtf8();
        file.padLength = qint32(ThemeFormat::padLength(file.encodedName.size()));
        file.size = entry.entry.size;
        file.absolutePath = entryPath;
        // Stops as soon as the archive would pass what it can hold, so even
        // links that reach the same folders by many routes end quickly.
        scannedBytes += ThemeFormat::indexRecordSize
                        + ThemeFormat::nameRecordSize(file.encodedName.size()) + file.size;
        if (scannedBytes > ThemeFormat::maxArchiveSize)
            return fail(ThemeFailure::TooLarge, QLatin1String(tooLargeMessage));
        if (++scannedFiles > maxFiles)
            return fail(ThemeFailure::TooLarge, QLatin1String(tooManyFilesMessage));
        scannedNameBytes += file.encodedName.size();
        if (scannedNameBytes > ThemeFormat::maxNamesLength
            || file.encodedName.size() > ThemeFormat::maxNameLength)
            return fail(ThemeFailure::TooLarge,
                        QLatin1String(namesTooLongMessage)); // the reader would refuse it
        scannedPathCharacters += file.absolutePath.size();
        if (scannedPathCharacters > maxPathCharacters)
            return fail(ThemeFailure::TooLarge, QLatin1String(pathsTooLongMessage));
        files.append(file);
    }

    foldersBeingScanned.append(id);
    for (const NamedEntry &entry : std::as_const(folderEntries)) {
        error = 0;
        const ListedFolder child = folder.child(entry.entry.name, error);
        if (!scanOpenFolder(child, error, path + QLatin1Char('/') + entry.name, files,
                            prefix + entry.name + QLatin1Char('/')))
            return false;
    }
    foldersBeingScanned.removeLast();
    return true;
}

qint64 ThemePacker::contentSize()
{
    ThemePacker scanner; // leaves this packer's members and messages alone
    scanner.folderPath = QDir(folderPath).absolutePath();
    QList<SourceFile> files;
    scanner.scanFolder(scanner.folderPath, files, QStringLiteral("/"));
    qint64 total = 0;
    for (const SourceFile &file : std::as_const(files))
        total += file.size;
    return total;
}

bool ThemePacker::prepare(QList<SourceFile> &files, QByteArray &head)
{
    if (folderPath.isEmpty())
        return false;
    if (!QFileInfo(folderPath).isDir())
        return fail(ThemeFailure::Missing, QLatin1String(folderMissingMessage));
    if (themeName.isEmpty()) // the folder's own name, also for "." or "name/"
        themeName = QFileInfo(QDir(folderPath).absolutePath()).fileName();
    if (!isAcceptableThemeName(themeName))
        return fail(ThemeFailure::BadName, QString::fromLatin1(badThemeNameMessage).arg(themeName));
    if (themeFilePath.isEmpty())
        themeFilePath = defaultThemeFilePath();

    const QByteArray name = themeName.toUtf8();
    const qint64 nameBlock = ThemeFormat::nameRecordSize(name.size());
    archiveExists = fileIdentity(themeFilePath, archiveId.device, archiveId.inode)
                    && QFileInfo(themeFilePath).isFile();
    archiveIsTheme = archiveExists && isThemeArchive(themeFilePath);
    foldersBeingScanned.clear();
    scannedFiles = 0;
    scannedFolders = 0;
    scannedNameBytes = 0;
    scannedPathCharacters = 0;
    // Header, name block, index length, closing record and end record.
    scannedBytes = ThemeFormat::headerSize + 4 + nameBlock + 4 + ThemeFormat::indexRecordSize
                   + ThemeFormat::endRecordSize;
    if (!scanFolder(QDir(folderPath).absolutePath(), files, QStringLiteral("/")))
        return false;
    files.append(SourceFile()); // the closing record and the end record

    // The whole index is known before anything is written, so the archive is
    // written front to back in one pass.
    const qint64 count = files.size();
    const qint64 indexLength = ThemeFormat::indexRecordSize * count;
    qint64 position = ThemeFormat::headerSize + 4 + nameBlock + 4 + indexLength;
    QList<qint64> nameOffsets(count);
    QList<qint64> dataOffsets(count);
    for (qint64 i = 0; i < count; ++i) {
        nameOffsets[i] = position;
        position += 4 + files[i].encodedName.size() + files[i].padLength;
    }
    for (qint64 i = 0; i < count; ++i) {
        dataOffsets[i] = position;
        position += files[i].size;
    }
    if (position > ThemeFormat::maxArchiveSize) // the scan stops before; kept as the last word
        return fail(ThemeFailure::TooLarge, QLatin1String(tooLargeMessage));

    head.reserve(qsizetype(dataOffsets.first()));
    head.append(ThemeFormat::tag, ThemeFormat::tagSize);
    head.append(encodeInt32(ThemeFormat::versionMajor));
    head.append(encodeInt32(ThemeFormat::versionMinor));
    head.append(encodeInt32(ThemeFormat::versionPatch));
    head.append(encodeInt32(qint32(nameBlock)));
    head.append(encodeInt32(qint32(name.size())));
    head.append(name);
    appendZeros(head, ThemeFormat::padLength(name.size()));
    head.append(encodeInt32(qint32(indexLength)));
    for (qint64 i = 0; i < count; ++i) {
        head.append(encodeInt32(qint32(nameOffsets[i])));
        head.append(encodeInt32(qint32(dataOffsets[i])));
    }
    for (qint64 i = 0; i + 1 < count; ++i) {
        head.append(encodeInt32(qint32(files[i].encodedName.size())));
        head.append(files[i].encodedName);
        appendZeros(head, files[i].padLength);
    }
    appendZeros(head, ThemeFormat::endRecordSize);
    return true;
}

bool ThemePacker::writeArchive(QIODevice &archive, const QList<SourceFile> &files,
                               const QByteArray &head)
{
    qint64 total = 0;
    for (const SourceFile &file : files)
        total += file.size;
    ContentProgress progressed(progress, total);
    ArchiveOutput output(archive, progressed.chunkCallback());
    if (!output.write(head))
        return failWithSystemError(writeFailureFor(output.systemError()),
                                   QLatin1String(writeFailedMessage), output.systemError());
    for (qsizetype i = 0; i + 1 < files.size(); ++i) { // the last item is the closing one
        if (progressed.stopRequested())
            break;
        const SourceFile &file = files[i];
        if (entryStarted)
            entryStarted(QString::fromUtf8(file.encodedName));
        const QString shownPath = QDir::toNativeSeparators(file.absolutePath);
        QFile source;
        // The index already holds the scanned size, so the copy must match it
        // exactly: a file that shrank or grew since the scan fails the pack,
        // and so does one replaced by a FIFO (never waited on) or a device.
        int openError = 0;
        const bool opened = openRegularFile(source, file.absolutePath, openError);
        ArchiveOutput::Result result = ArchiveOutput::Result::ReadFailed;
        if (opened)
            result = output.copyFile(source, file.size);
        else if (openError == EINVAL)
            result = ArchiveOutput::Result::SizeChanged;
        const int error = opened ? output.systemError() : openError;
        switch (result) {
        case ArchiveOutput::Result::Done:
        case ArchiveOutput::Result::Cancelled: break;
        case ArchiveOutput::Result::ReadFailed:
            return failWithSystemError(ThemeFailure::Unreadable,
                                       QString::fromLatin1(readFailedMessage).arg(shownPath),
                                       error);
        case ArchiveOutput::Result::SizeChanged:
            return fail(ThemeFailure::Unreadable,
                        QString::fromLatin1(changedMessage).arg(shownPath));
        case ArchiveOutput::Result::WriteFailed:
            return failWithSystemError(writeFailureFor(error), QLatin1String(writeFailedMessage),
                                       error);
        }
    }
    // Also after the last resource: a cancelled pack never replaces the old archive.
    if (progressed.stopRequested())
        return fail(ThemeFailure::Cancelled, QLatin1String(cancelledMessage));
    if (!output.finish())
        return failWithSystemError(writeFailureFor(output.systemError()),
                                   QLatin1String(writeFailedMessage), output.systemError());
    return true;
}

bool ThemePacker::packToDevice(QIODevice &archive)
{
    QList<SourceFile> files;
    QByteArray head;
    return prepare(files, head) && writeArchive(archive, files, head);
}

bool ThemePacker::pack()
{
    QList<SourceFile> files;
    QByteArray head;
    if (!prepare(files, head))
        return false;

    // A device, FIFO or socket in the archive's place (/dev/null, say) is
    // never replaced by a file: the archive goes to a file or nowhere.
    const QFileInfo existing(themeFilePath);
    if (existing.exists() && !existing.isFile() && !existing.isDir())
        return fail(ThemeFailure::Unwritable, QLatin1String(savePathMessage),
                    QStringLiteral("Not a regular file"));
    // Written beside the old archive and renamed over it only when complete,
    // so a failed pack never leaves a broken archive behind.
    QSaveFile archive(themeFilePath);
    errno = 0;
    if (!archive.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return fail(writeFailureFor(errno), QLatin1String(savePathMessage), archive.errorString());
    if (!writeArchive(archive, files, head)) {
        archive.cancelWriting();
        return false;
    }
    errno = 0;
    if (!archive.commit())
        return fail(writeFailureFor(errno), QLatin1String(writeFailedMessage),
                    archive.errorString());
    return true;
}
