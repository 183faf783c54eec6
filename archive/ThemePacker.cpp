#include "ThemePacker.h"

#include "ArchiveOutput.h"
#include "ContentProgress.h"
#include "ThemeFormat.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>

namespace {

const char folderMissingMessage[] = "The dir path is NOT validate.";
const char subFolderMissingMessage[] = "The dir path is NOT exist.";
const char savePathMessage[] = "The theme file saved path is NOT validate.";
const char writeFailedMessage[] = "Can NOT write the theme file.";
const char tooLargeMessage[] = "The theme file would reach 2 GB, more than a theme file can hold.";
const char readFailedMessage[] = "Can NOT read the resource file: %1";
const char changedMessage[] = "The resource file changed while packing: %1";
const char cancelledMessage[] = "The packing was cancelled.";

#ifdef Q_OS_WIN
constexpr Qt::CaseSensitivity fileNameCase = Qt::CaseInsensitive;
#else
constexpr Qt::CaseSensitivity fileNameCase = Qt::CaseSensitive;
#endif

// Sorts a folder's entries by name ignoring case: names are compared after
// lower-casing, code unit by code unit; names equal but for case keep a fixed
// order so that every scan of the same tree gives the same archive.
void sortByName(QList<QFileInfo> &infos)
{
    QList<std::pair<QString, QFileInfo>> keyed;
    keyed.reserve(infos.size());
    for (const QFileInfo &info : std::as_const(infos))
        keyed.append({info.fileName().toLower(), info});
    std::sort(keyed.begin(), keyed.end(), [](const auto &a, const auto &b) {
        const int byKey = a.first.compare(b.first);
        return byKey != 0 ? byKey < 0 : a.second.fileName() < b.second.fileName();
    });
    for (qsizetype i = 0; i < keyed.size(); ++i)
        infos[i] = keyed[i].second;
}

void appendZeros(QByteArray &bytes, qint64 count)
{
    bytes.append(qsizetype(count), '\0');
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

void ThemePacker::scanFolder(const QString &folder, QList<SourceFile> &files, const QString &prefix)
{
    const QFileInfo folderInfo(folder);
    if (!folderInfo.isDir()) {
        errorString = QLatin1String(subFolderMissingMessage);
        return;
    }
    const QString canonical = folderInfo.canonicalFilePath();
    if (foldersBeingScanned.contains(canonical))
        return; // a link back to a folder that is being scanned already
    foldersBeingScanned.append(canonical);
    const bool holdsArchive = !archiveFileName.isEmpty() && canonical == archiveFolder;

    // One listing per folder; QDir's default filter leaves hidden entries out.
    QList<QFileInfo> fileInfos;
    QList<QFileInfo> folderInfos;
    QDirIterator it(folder, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot);
    while (it.hasNext()) {
        it.next();
        const QFileInfo info = it.fileInfo();
        if (info.isDir())
            folderInfos.append(info);
        else if (!(holdsArchive && info.fileName().compare(archiveFileName, fileNameCase) == 0))
            fileInfos.append(info);
    }
    sortByName(fileInfos);
    sortByName(folderInfos);

    for (const QFileInfo &info : std::as_const(fileInfos)) {
        SourceFile file;
        file.encodedName = (prefix + info.fileName()).toUtf8();
        file.padLength = qint32(ThemeFormat::padLength(file.encodedName.size()));
        file.size = info.size();
        file.absolutePath = info.absoluteFilePath();
        files.append(file);
    }
    for (const QFileInfo &info : std::as_const(folderInfos))
        scanFolder(info.absoluteFilePath(), files,
                   prefix + info.fileName() + QLatin1Char('/'));

    foldersBeingScanned.removeLast();
}

qint64 ThemePacker::contentSize()
{
    ThemePacker scanner; // leaves this packer's members and messages alone
    QList<SourceFile> files;
    scanner.scanFolder(folderPath, files, QStringLiteral("/"));
    qint64 total = 0;
    for (const SourceFile &file : std::as_const(files))
        total += file.size;
    return total;
}

bool ThemePacker::prepare(QList<SourceFile> &files, QByteArray &head)
{
    if (folderPath.isEmpty())
        return false;
    if (!QFileInfo(folderPath).isDir()) {
        errorString = QLatin1String(folderMissingMessage);
        return false;
    }
    if (themeName.isEmpty()) // the folder's own name, also for "." or "name/"
        themeName = QFileInfo(QDir(folderPath).absolutePath()).fileName();
    if (themeFilePath.isEmpty())
        themeFilePath = defaultThemeFilePath();

    const QFileInfo archiveInfo(themeFilePath);
    archiveFolder = QFileInfo(archiveInfo.absolutePath()).canonicalFilePath();
    archiveFileName = archiveInfo.fileName();
    foldersBeingScanned.clear();
    scanFolder(folderPath, files, QStringLiteral("/"));
    files.append(SourceFile()); // the closing record and the end record

    // The whole index is known before anything is written, so the archive is
    // written front to back in one pass and its size is checked up front.
    const QByteArray name = themeName.toUtf8();
    const qint64 nameBlock = ThemeFormat::nameRecordSize(name.size());
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
        if (position > ThemeFormat::maxArchiveSize) {
            errorString = QLatin1String(tooLargeMessage);
            return false;
        }
    }

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
    ContentProgress copied(progress, total);
    ArchiveOutput output(archive, copied.chunkCallback());
    if (!output.write(head)) {
        errorString = QLatin1String(writeFailedMessage);
        return false;
    }
    for (qsizetype i = 0; i + 1 < files.size(); ++i) { // the last item is the closing one
        if (copied.stopRequested()) {
            errorString = QLatin1String(cancelledMessage);
            return false;
        }
        const SourceFile &file = files[i];
        if (entryStarted)
            entryStarted(QString::fromUtf8(file.encodedName));
        const QString shownPath = QDir::toNativeSeparators(file.absolutePath);
        QFile source(file.absolutePath);
        // The index already holds the scanned size, so the copy must match it
        // exactly: a file that shrank or grew since the scan fails the pack.
        const ArchiveOutput::Result copied = source.open(QIODevice::ReadOnly | QIODevice::Unbuffered)
                                                 ? output.copyFile(source, file.size)
                                                 : ArchiveOutput::Result::ReadFailed;
        switch (copied) {
        case ArchiveOutput::Result::Done:
            break;
        case ArchiveOutput::Result::ReadFailed:
            errorString = QString::fromLatin1(readFailedMessage).arg(shownPath);
            return false;
        case ArchiveOutput::Result::SizeChanged:
            errorString = QString::fromLatin1(changedMessage).arg(shownPath);
            return false;
        case ArchiveOutput::Result::WriteFailed:
            errorString = QLatin1String(writeFailedMessage);
            return false;
        case ArchiveOutput::Result::Cancelled:
            errorString = QLatin1String(cancelledMessage);
            return false;
        }
    }
    if (copied.stopRequested()) { // even after the last resource: nothing replaces the old archive
        errorString = QLatin1String(cancelledMessage);
        return false;
    }
    if (!output.finish()) {
        errorString = QLatin1String(writeFailedMessage);
        return false;
    }
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

    // Written beside the old archive and renamed over it only when complete,
    // so a failed pack never leaves a broken archive behind.
    QSaveFile archive(themeFilePath);
    if (!archive.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        errorString = QLatin1String(savePathMessage);
        return false;
    }
    if (!writeArchive(archive, files, head)) {
        archive.cancelWriting();
        return false;
    }
    if (!archive.commit()) {
        errorString = QLatin1String(writeFailedMessage);
        return false;
    }
    return true;
}
