// SPDX-License-Identifier: MIT
#include "FolderScan.h"

#include "PackOrder.h"
#include "ThemeFormat.h"
#include "ThemeIndex.h"
#include "ThemeNames.h"
#include "ThemeRules.h"
#include "util/FolderListing.h"
#include "util/RegularFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>

namespace {

const char tooLargeMessage[] = "The theme file would reach 2 GB, more than a theme file can hold.";
const char tooManyFilesMessage[] =
    "The folder holds more than 1,000,000 files, more than a theme file can hold.";
const char namesTooLongMessage[] =
    "The names of the folder's resources take more than 64 MiB together, more than a theme file can hold.";
const char tooDeepMessage[] =
    "The folder nests folders more than 256 deep, more than a theme file can hold.";
const char nameTooDeepMessage[] =
    "The resource name holds more than 256 separators (\"/\" or \"\\\"), more than a theme file can hold: %1";
const char nameTooLongMessage[] =
    "The resource name is longer than 64 KiB, more than a theme file can hold: %1";
const char pathsTooLongMessage[] =
    "The paths of the folder's resources take more than 64 MiB together (counting every way that links lead to them), more than Velmoro takes in.";
const char tooManyFoldersMessage[] =
    "The folder holds more than 100,000 folders (counting every "
    "way that links lead to them), more than a theme file can hold.";
const char unreadableFolderMessage[] = "Can NOT read the resource folder: %1";
const char notUtf8Message[] = "The resource name is not valid UTF-8: %1";
const char unsafeNameMessage[] =
    "The resource name would lead outside the folder it is unpacked into: %1";
const char replacesResourceMessage[] =
    "The theme file would replace one of the resources being packed: %1";

// Far more than any theme holds: a scan that reaches either has gone astray
// (links that reach the same folders by many routes double the folders per
// level), and stops before it eats the machine's time and memory.
constexpr qint64 maxFolders = 100000;
// The scan keeps each folder's path: under a deep folder a fan-out of links
// would fill memory with paths long before the names reach what an archive
// can hold.
constexpr qint64 maxPathCharacters = qint64(32) * 1024 * 1024; // 64 MiB as UTF-16

// A folder entry with its decoded name.
struct NamedEntry
{
    QString name;
    ListedEntry entry;
};

// An older theme archive, which a new pack may replace: a file that merely
// starts with the tag, or a damaged archive, is a resource like any other.
bool isThemeArchive(const QString &path)
{
    QFile file;
    int error = 0;
    if (!openRegularFile(file, path, error))
        return false;
    ThemeIndex index;
    const ThemeFailure kind = readThemeIndex(file, file.size(), index).kind;
    return kind != ThemeFailure::NotArchive && kind != ThemeFailure::Damaged
           && kind != ThemeFailure::Unreadable;
}

ThemeError failure(ThemeFailure kind, const QString &message, int systemError = 0)
{
    return {kind, message, systemError, QString(), QString()};
}

QString shown(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

struct FileId
{
    quint64 device = 0;
    quint64 inode = 0;
    bool operator==(const FileId &other) const
    {
        return device == other.device && inode == other.inode;
    }
};

// One scan of one folder tree.
class FolderScanner
{
public:
    FolderScanner(const QString &themeName, const QString &archivePath, ThemeScan &result);
    ThemeError scan(const ListedFolder &folder, int openError, const QString &path,
                    const QString &prefix);

private:
    ThemeError sortEntries(const QList<ListedEntry> &listed, const QString &path,
                           QList<NamedEntry> &files, QList<NamedEntry> &folders) const;
    ThemeError addFile(const NamedEntry &entry, const QString &path, const QString &prefix);
    ThemeError enterFolder(const ListedFolder &folder, const QString &path);

    ThemeScan &scanned;
    ThemeRules::NameCheck names;
    // The folders on the current scan path: a link that leads back to one of
    // them would make the scan endless.
    QList<FileId> foldersBeingScanned;
    // The archive about to be written, when a file is there already: an
    // older archive is never packed into the new one, and anything else
    // there is a resource it must not replace.
    FileId archiveId;
    bool archiveExists = false;
    bool archiveIsTheme = false;
    qint64 folderCount = 0;
    qint64 pathCharacters = 0;
    qint64 archiveBytes = 0; // what the archive would take so far
};

FolderScanner::FolderScanner(const QString &themeName, const QString &archivePath,
                             ThemeScan &result)
    : scanned(result), names(themeName, themeName.toUtf8().size())
{
    archiveExists = fileIdentity(archivePath, archiveId.device, archiveId.inode)
                    && QFileInfo(archivePath).isFile();
    archiveIsTheme = archiveExists && isThemeArchive(archivePath);
    // Header, name block, index length, closing record and end record.
    archiveBytes = ThemeFormat::headerSize + 4
                   + ThemeFormat::nameRecordSize(themeName.toUtf8().size()) + 4
                   + ThemeFormat::indexRecordSize + ThemeFormat::endRecordSize;
}

ThemeError FolderScanner::sortEntries(const QList<ListedEntry> &listed, const QString &path,
                                      QList<NamedEntry> &files, QList<NamedEntry> &folders) const
{
    for (const ListedEntry &entry : listed) {
        if (entry.kind == ListedEntry::Other)
            continue; // a FIFO, socket or device holds no resource
        const QString name = ThemeNames::decode(entry.name.constData(), entry.name.size());
        const QString entryPath = path + QLatin1Char('/') + name;
        if (!ThemeNames::isUtf8(entry.name.constData(), entry.name.size())) // archives store UTF-8
            return failure(ThemeFailure::BadName,
                           QString::fromLatin1(notUtf8Message).arg(shown(entryPath)));
        if (entry.kind == ListedEntry::File && archiveExists
            && FileId{entry.device, entry.inode} == archiveId) {
            if (archiveIsTheme)
                continue; // the older archive is never packed into the new one
            return failure(ThemeFailure::Conflict,
                           QString::fromLatin1(replacesResourceMessage).arg(shown(entryPath)));
        }
        (entry.kind == ListedEntry::Folder ? folders : files).append({name, entry});
    }
    const auto nameOf = [](const NamedEntry &named) -> const QString & { return named.name; };
    PackOrder::sortByName(files, nameOf);
    PackOrder::sortByName(folders, nameOf);
    return {};
}

ThemeError FolderScanner::addFile(const NamedEntry &entry, const QString &path,
                                  const QString &prefix)
{
    const QString entryName = prefix + entry.name;
    const QByteArray encoded = entryName.toUtf8();
    ThemeError problem = checkResourceName(names, scanned.files.size(), entryName, encoded.size(),
                                           shown(path + QLatin1Char('/') + entry.name));
    if (problem.failed())
        return problem;
    // Stops as soon as the archive would pass what it can hold, so even
    // links that reach the same folders by many routes end quickly.
    archiveBytes += ThemeFormat::indexRecordSize + ThemeFormat::nameRecordSize(encoded.size())
                    + entry.entry.size;
    if (archiveBytes > ThemeFormat::maxArchiveSize)
        return failure(ThemeFailure::TooLarge, QLatin1String(tooLargeMessage));
    SourceFile file;
    file.nameStart = qint32(scanned.names.size());
    file.nameLength = qint32(encoded.size());
    file.folder = qint32(scanned.folders.size() - 1);
    file.size = qint32(entry.entry.size); // below the archive's limit, checked just above
    scanned.names += encoded;
    scanned.files.append(file);
    scanned.contentSize += file.size;
    return {};
}

ThemeError FolderScanner::enterFolder(const ListedFolder &folder, const QString &path)
{
    if (foldersBeingScanned.size() >= ThemeRules::maxDepth)
        return failure(ThemeFailure::TooLarge, QLatin1String(tooDeepMessage));
    if (++folderCount > maxFolders)
        return failure(ThemeFailure::TooLarge, QLatin1String(tooManyFoldersMessage));
    pathCharacters += path.size();
    if (pathCharacters > maxPathCharacters)
        return failure(ThemeFailure::TooLarge, QLatin1String(pathsTooLongMessage));
    foldersBeingScanned.append({folder.device(), folder.inode()});
    return {};
}

ThemeError FolderScanner::scan(const ListedFolder &folder, int openError, const QString &path,
                               const QString &prefix)
{
    QList<ListedEntry> listed;
    int error = openError;
    if (!folder.isOpen() || !folder.list(listed, error)) {
        if (error == ENOENT || error == ENOTDIR) {
            scanned.folderVanished = true; // gone since its parent was listed: nothing to pack
            return {};
        }
        return failure(ThemeFailure::Unreadable,
                       QString::fromLatin1(unreadableFolderMessage).arg(shown(path)), error);
    }
    if (foldersBeingScanned.contains(FileId{folder.device(), folder.inode()}))
        return {}; // a link back to a folder that is being scanned already
    QList<NamedEntry> files;
    QList<NamedEntry> folders;
    ThemeError problem = enterFolder(folder, path);
    if (!problem.failed())
        problem = sortEntries(listed, path, files, folders);
    if (!problem.failed() && !files.isEmpty())
        scanned.folders.append(path);
    for (qsizetype i = 0; !problem.failed() && i < files.size(); ++i)
        problem = addFile(files[i], path, prefix);
    for (qsizetype i = 0; !problem.failed() && i < folders.size(); ++i) {
        const NamedEntry &sub = folders[i];
        error = 0;
        const ListedFolder child = folder.child(sub.entry.name, error);
        problem = scan(child, error, path + QLatin1Char('/') + sub.name,
                       prefix + sub.name + QLatin1Char('/'));
    }
    if (problem.failed())
        return problem;
    foldersBeingScanned.removeLast();
    return {};
}

} // namespace

ThemeError checkResourceName(ThemeRules::NameCheck &names, qsizetype entriesBefore,
                             const QString &entryName, qint64 length, const QString &shown)
{
    // Never an archive that its own reader would refuse: the same checks, in
    // the same order of importance.
    if (length > ThemeRules::maxNameLength) // one name: say which
        return failure(ThemeFailure::TooLarge,
                       QString::fromLatin1(nameTooLongMessage).arg(shown.left(80) + QChar(0x2026)));
    if (!names.countEntry(length)) {
        const bool tooMany = entriesBefore >= ThemeRules::maxEntries;
        return failure(ThemeFailure::TooLarge,
                       QLatin1String(tooMany ? tooManyFilesMessage : namesTooLongMessage));
    }
    switch (names.entryProblem(entryName)) {
    case ThemeRules::NameProblem::None: break;
    case ThemeRules::NameProblem::LeadsOutside:
        return failure(ThemeFailure::Unsafe, QString::fromLatin1(unsafeNameMessage).arg(shown));
    case ThemeRules::NameProblem::TooLong:
    case ThemeRules::NameProblem::TooDeep:
        return failure(ThemeFailure::TooLarge, QString::fromLatin1(nameTooDeepMessage).arg(shown));
    }
    return {};
}

QByteArray ThemeScan::encodedName(const SourceFile &file) const
{
    return names.mid(file.nameStart, file.nameLength);
}

QByteArray ThemeScan::baseName(const SourceFile &file) const
{
    const QByteArrayView name(names.constData() + file.nameStart, file.nameLength);
    return name.sliced(name.lastIndexOf('/') + 1).toByteArray();
}

QString ThemeScan::absolutePath(const SourceFile &file) const
{
    const QByteArrayView name(names.constData() + file.nameStart, file.nameLength);
    const qsizetype slash = name.lastIndexOf('/');
    return folders[file.folder] + QLatin1Char('/') + QString::fromUtf8(name.sliced(slash + 1));
}

ThemeError scanThemeFolder(const QString &folder, const QString &themeName,
                           const QString &archivePath, ThemeScan &scan)
{
    scan = ThemeScan();
    FolderScanner scanner(themeName, archivePath, scan);
    int error = 0;
    const ListedFolder opened = ListedFolder::open(folder, error);
    return scanner.scan(opened, error, folder, QStringLiteral("/"));
}
