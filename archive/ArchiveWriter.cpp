// SPDX-License-Identifier: MIT
#include "ArchiveWriter.h"

#include "ArchiveOutput.h"
#include "ContentProgress.h"
#include "FolderScan.h"
#include "ThemeFormat.h"
#include "util/FileOwner.h"
#include "util/RegularFile.h"
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

// Header, name block, index, name records and end record: the offsets
// follow from the names' lengths and the entries' sizes.
bool writeHead(ArchiveOutput &output, const ArchiveContents &contents, const QByteArray &theme)
{
    const qint64 count = contents.count() + 1; // the closing record counts too
    qint64 nameRecords = 0;
    for (qsizetype i = 0; i < contents.count(); ++i)
        nameRecords += ThemeFormat::nameRecordSize(contents.name(i).size());
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
    for (qsizetype i = 0; i < contents.count(); ++i) {
        if (!appendInt32(output, nameOffset) || !appendInt32(output, dataOffset))
            return false;
        nameOffset += ThemeFormat::nameRecordSize(contents.name(i).size());
        dataOffset += contents.size(i);
    }
    if (!appendInt32(output, nameOffset) || !appendInt32(output, dataOffset))
        return false; // the closing record: the end record, and the end of the data
    for (qsizetype i = 0; i < contents.count(); ++i) {
        const QByteArrayView name = contents.name(i);
        if (!appendName(output, name.data(), name.size()))
            return false;
    }
    return appendInt32(output, 0); // the end record
}

ThemeError writeContents(QIODevice &archive, const ArchiveContents &contents,
                         const QByteArray &theme, const QString &archivePath,
                         const PackHooks &hooks)
{
    qint64 total = 0;
    for (qsizetype i = 0; i < contents.count(); ++i)
        total += contents.size(i);
    ContentProgress progressed(hooks.progress, total);
    ArchiveOutput output(archive, progressed.chunkCallback());
    if (!writeHead(output, contents, theme))
        return writeFailed(output.systemError(), archivePath);
    for (qsizetype i = 0; i < contents.count() && !progressed.stopRequested();) {
        const qsizetype span = qMax<qsizetype>(1, contents.span(i));
        qint64 spanSize = 0;
        for (qsizetype j = i; j < i + span; ++j) {
            if (hooks.entryStarted)
                hooks.entryStarted(QString::fromUtf8(contents.name(j)));
            spanSize += contents.size(j);
        }
        ThemeError copied = contents.copy(output, i, archivePath);
        if (copied.failed())
            return copied;
        if (spanSize == 0)
            progressed.keepGoing(); // an empty file copies no chunk to hear a stop in
        i += span;
    }
    // Also after the last resource: a cancelled pack never replaces the old archive.
    if (progressed.stopRequested())
        return {ThemeFailure::Cancelled, QLatin1String(cancelledMessage), 0, QString(), QString()};
    if (!output.finish())
        return writeFailed(output.systemError(), archivePath);
    return {};
}

// What a copy of the resource at `path` that did not finish means. The index
// already holds its scanned size, so the copy must match it exactly: a file
// that shrank or grew since the scan fails the pack, and so does one replaced
// by a FIFO (never waited on) or a device.
ThemeError copyFailure(const CopyOutcome &copied, const QString &path, const QString &archivePath)
{
    const QString shown = QDir::toNativeSeparators(path);
    switch (copied.result) {
    case CopyResult::Done:
    case CopyResult::Cancelled: return {};
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

// A pack's contents: the files of a scan. They come folder by folder, so
// each folder is opened once and its files are opened in it.
class ScannedContents : public ArchiveContents
{
public:
    explicit ScannedContents(const ThemeScan &scanned) : scan(scanned) {}
    qsizetype count() const override { return scan.files.size(); }
    QByteArrayView name(qsizetype i) const override
    {
        const SourceFile &file = scan.files[i];
        return QByteArrayView(scan.names.constData() + file.nameStart, file.nameLength);
    }
    qint64 size(qsizetype i) const override { return scan.files[i].size; }
    qsizetype span(qsizetype) const override { return 1; }
    ThemeError copy(ArchiveOutput &output, qsizetype first,
                    const QString &archivePath) const override;

private:
    const ThemeScan &scan;
    mutable SourceFolder folder;
    mutable qint32 openFolder = -1;
    mutable int folderError = 0;
};

ThemeError ScannedContents::copy(ArchiveOutput &output, qsizetype first,
                                 const QString &archivePath) const
{
    const SourceFile &file = scan.files[first];
    if (file.folder != openFolder) {
        openFolder = file.folder;
        folderError = 0;
        folder.open(scan.folders[file.folder], folderError);
    }
    if (folderError != 0) // gone or shut since the scan: its files cannot be read
        return copyFailure({CopyResult::ReadFailed, folderError}, scan.absolutePath(file),
                           archivePath);
    const CopyOutcome copied = output.copyFrom(folder, scan.baseName(file), file.size);
    if (copied.result == CopyResult::Done || copied.result == CopyResult::Cancelled)
        return {};
    return copyFailure(copied, scan.absolutePath(file), archivePath);
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

ThemeError copyResourceFile(ArchiveOutput &output, const QString &path, qint64 size,
                            const QString &archivePath)
{
    QFile source;
    int openError = 0;
    CopyOutcome copied{CopyResult::ReadFailed, 0};
    if (openRegularFile(source, path, openError))
        copied = output.copyFile(source, size);
    else if (openError == EINVAL) // no longer a regular file
        copied = {CopyResult::ReadShort, 0};
    else
        copied = {CopyResult::ReadFailed, openError};
    return copyFailure(copied, path, archivePath);
}

ThemeError writeArchive(const ArchiveContents &contents, const QByteArray &theme,
                        const QString &archivePath, const PackHooks &hooks)
{
    qint64 archiveSize = ThemeFormat::headerSize + 4 + ThemeFormat::nameRecordSize(theme.size()) + 4
                         + ThemeFormat::indexRecordSize + ThemeFormat::endRecordSize;
    for (qsizetype i = 0; i < contents.count(); ++i)
        archiveSize += ThemeFormat::indexRecordSize
                       + ThemeFormat::nameRecordSize(contents.name(i).size()) + contents.size(i);
    if (archiveSize > ThemeFormat::maxArchiveSize)
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
    if (existing.exists()) // whose it was, and who may read it
        takeOverOwnership(archive, archivePath);
    ThemeError written = writeContents(archive, contents, theme, archivePath, hooks);
    if (written.failed()) {
        archive.cancelWriting();
        return written;
    }
    errno = 0;
    if (!archive.commit())
        return writeFailed(saveFileError(archivePath), archivePath);
    return {};
}

ThemeError archiveWriteFailure(int systemError, const QString &archivePath)
{
    return writeFailed(systemError, archivePath);
}

ThemeError writeThemeArchive(const ThemeScan &scan, const QString &themeName,
                             const QString &archivePath, const PackHooks &hooks)
{
    return writeArchive(ScannedContents(scan), themeName.toUtf8(), archivePath, hooks);
}
