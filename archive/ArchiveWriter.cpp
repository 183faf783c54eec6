// SPDX-License-Identifier: MIT
#include "ArchiveWriter.h"

#include "ArchiveOutput.h"
#include "ContentProgress.h"
#include "FolderScan.h"
#include "ThemeFormat.h"
#include "util/SourceFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>

namespace {

const char savePathMessage[] = "The theme file saved path is NOT validate.";
const char writeFailedMessage[] = "Can NOT write the theme file.";
const char tooLargeMessage[] = "The theme file would reach 2 GB, more than a theme file can hold.";
const char readFailedMessage[] = "Can NOT read the resource file: %1";
const char changedMessage[] = "The resource file changed while packing: %1";
const char cancelledMessage[] = "The packing was cancelled.";

ThemeError writeFailed(int systemError, const QString &archivePath)
{
    return {writeFailureFor(systemError), QLatin1String(writeFailedMessage), systemError, QString(),
            archivePath};
}

bool appendInt32(ArchiveOutput &output, qint64 value)
{
    char field[4];
    qToLittleEndian<qint32>(qint32(value), field);
    return output.append(field, 4);
}

bool appendName(ArchiveOutput &output, const char *name, qint64 length)
{
    static const char zeros[4] = {};
    return appendInt32(output, length) && output.append(name, length)
           && output.append(zeros, ThemeFormat::padLength(length));
}

// Header, name block, index, name records and end record, straight from the
// scan: the offsets follow from the names' lengths and the files' sizes.
bool writeHead(ArchiveOutput &output, const ThemeScan &scan, const QByteArray &theme)
{
    const qint64 count = scan.files.size() + 1; // the closing record counts too
    qint64 nameRecords = 0;
    for (const SourceFile &file : scan.files)
        nameRecords += ThemeFormat::nameRecordSize(file.nameLength);
    qint64 nameOffset = ThemeFormat::headerSize + 4 + ThemeFormat::nameRecordSize(theme.size()) + 4
                        + ThemeFormat::indexRecordSize * count;
    qint64 dataOffset = nameOffset + nameRecords + ThemeFormat::endRecordSize;

    if (!output.append(ThemeFormat::tag, ThemeFormat::tagSize)
        || !appendInt32(output, ThemeFormat::versionMajor)
        || !appendInt32(output, ThemeFormat::versionMinor)
        || !appendInt32(output, ThemeFormat::versionPatch)
        || !appendInt32(output, ThemeFormat::nameRecordSize(theme.size()))
        || !appendName(output, theme.constData(), theme.size())
        || !appendInt32(output, ThemeFormat::indexRecordSize * count))
        return false;
    for (const SourceFile &file : scan.files) {
        if (!appendInt32(output, nameOffset) || !appendInt32(output, dataOffset))
            return false;
        nameOffset += ThemeFormat::nameRecordSize(file.nameLength);
        dataOffset += file.size;
    }
    if (!appendInt32(output, nameOffset) || !appendInt32(output, dataOffset))
        return false; // the closing record: the end record, and the end of the data
    for (const SourceFile &file : scan.files) {
        if (!appendName(output, scan.names.constData() + file.nameStart, file.nameLength))
            return false;
    }
    return appendInt32(output, 0); // the end record
}

// Copies one resource. The index already holds its scanned size, so the copy
// must match it exactly: a file that shrank or grew since the scan fails the
// pack, and so does one replaced by a FIFO (never waited on) or a device.
ThemeError copyResource(ArchiveOutput &output, SourceFolder &folder, const ThemeScan &scan,
                        const SourceFile &file, const QString &archivePath)
{
    const CopyOutcome copied = output.copyFrom(folder, scan.baseName(file), file.size);
    if (copied.result == CopyResult::Done || copied.result == CopyResult::Cancelled)
        return {};
    const QString path = scan.absolutePath(file);
    const QString shown = QDir::toNativeSeparators(path);
    switch (copied.result) {
    case CopyResult::Done:
    case CopyResult::Cancelled: break;
    case CopyResult::ReadFailed:
        return {ThemeFailure::Unreadable, QString::fromLatin1(readFailedMessage).arg(shown),
                copied.systemError, QString(), path};
    case CopyResult::ReadShort:
        return {ThemeFailure::Unreadable, QString::fromLatin1(changedMessage).arg(shown), 0,
                QString(), path};
    case CopyResult::WriteFailed: break;
    }
    return writeFailed(copied.systemError, archivePath);
}

ThemeError writeContents(QIODevice &archive, const ThemeScan &scan, const QByteArray &theme,
                         const QString &archivePath, const PackHooks &hooks)
{
    ContentProgress progressed(hooks.progress, scan.contentSize);
    ArchiveOutput output(archive, progressed.chunkCallback());
    if (!writeHead(output, scan, theme))
        return writeFailed(output.systemError(), archivePath);
    // Files come folder by folder: each folder is opened once, its files in it.
    SourceFolder folder;
    qint32 openFolder = -1;
    int folderError = 0;
    for (const SourceFile &file : scan.files) {
        if (progressed.stopRequested())
            break;
        if (hooks.entryStarted)
            hooks.entryStarted(QString::fromUtf8(scan.encodedName(file)));
        if (file.folder != openFolder) {
            openFolder = file.folder;
            folderError = 0;
            folder.open(scan.folders[file.folder], folderError);
        }
        if (folderError != 0) // gone or shut since the scan: its files cannot be read
            return {ThemeFailure::Unreadable,
                    QString::fromLatin1(readFailedMessage)
                        .arg(QDir::toNativeSeparators(scan.absolutePath(file))),
                    folderError, QString(), scan.absolutePath(file)};
        ThemeError copied = copyResource(output, folder, scan, file, archivePath);
        if (copied.failed())
            return copied;
        if (file.size == 0)
            progressed.keepGoing(); // an empty file copies no chunk to hear a stop in
    }
    // Also after the last resource: a cancelled pack never replaces the old archive.
    if (progressed.stopRequested())
        return {ThemeFailure::Cancelled, QLatin1String(cancelledMessage), 0, QString(), QString()};
    if (!output.finish())
        return writeFailed(output.systemError(), archivePath);
    return {};
}

// The errno of a QSaveFile call that just failed; Qt leaves the system's in
// place, but a refusal of its own (a folder at the path) has none.
int saveFileError(const QString &archivePath)
{
    const int error = errno;
    if (error)
        return error;
    return QFileInfo(archivePath).isDir() ? EISDIR : 0;
}

} // namespace

ThemeError writeThemeArchive(const ThemeScan &scan, const QString &themeName,
                             const QString &archivePath, const PackHooks &hooks)
{
    const QByteArray theme = themeName.toUtf8();
    if (scan.archiveSize(theme.size()) > ThemeFormat::maxArchiveSize) // the scan stops before
        return {ThemeFailure::TooLarge, QLatin1String(tooLargeMessage), 0, QString(), QString()};
    // A device, FIFO or socket in the archive's place (/dev/null, say) is
    // never replaced by a file: the archive goes to a file or nowhere.
    const QFileInfo existing(archivePath);
    if (existing.exists() && !existing.isFile() && !existing.isDir())
        return {ThemeFailure::Unwritable, QLatin1String(savePathMessage), 0,
                QStringLiteral("Not a regular file"), archivePath};
    QSaveFile archive(archivePath);
    errno = 0;
    if (!archive.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        const int error = saveFileError(archivePath);
        return {writeFailureFor(error), QLatin1String(savePathMessage), error, QString(),
                archivePath};
    }
    ThemeError written = writeContents(archive, scan, theme, archivePath, hooks);
    if (written.failed()) {
        archive.cancelWriting();
        return written;
    }
    errno = 0;
    if (!archive.commit())
        return writeFailed(saveFileError(archivePath), archivePath);
    return {};
}
