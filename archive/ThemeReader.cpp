#include "ThemeReader.h"

#include "ContentProgress.h"
#include "ThemeFormat.h"
#include "ThemeIndexParser.h"
#include "util/StreamCopy.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

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

// Copy chunk for unpacking (when the kernel cannot copy a resource itself):
// memory stays flat whatever the size of a resource.
constexpr qsizetype copyBufferSize = 1024 * 1024;

} // namespace

qint32 ThemeReader::decodeInt32(const QByteArray &bytes)
{
    if (bytes.size() < 4)
        return 0;
    return ThemeFormat::readInt32(bytes.constData());
}

// Opens and parses an archive, turning each failure into its message.
static bool openAndParse(QFile &archive, ThemeIndex &index, QString &errorString,
                         ThemeFailure &failure)
{
    if (!archive.open(QIODevice::ReadOnly)) {
        errorString = QLatin1String(openFailedMessage);
        failure = ThemeFailure::Unreadable;
        return false;
    }
    switch (parseThemeIndex(archive, archive.size(), index)) {
    case ThemeIndexStatus::Ok:
        return true;
    case ThemeIndexStatus::NoTag:
        errorString = QLatin1String(noTagMessage);
        failure = ThemeFailure::NotArchive;
        break;
    case ThemeIndexStatus::Damaged:
        errorString = QLatin1String(damagedMessage);
        failure = ThemeFailure::Damaged;
        break;
    case ThemeIndexStatus::UnsafeName:
        errorString = QLatin1String(unsafeNameMessage);
        failure = ThemeFailure::Unsafe;
        break;
    }
    return false;
}

bool ThemeReader::readIndex(const QString &archivePath, ThemeEntryList &entries, QString &themeName)
{
    if (!QFileInfo::exists(archivePath)) {
        errorString = QLatin1String(missingMessage);
        failure = ThemeFailure::Missing;
        return false;
    }
    QFile archive(archivePath);
    ThemeIndex index;
    if (!openAndParse(archive, index, errorString, failure))
        return false;
    version = index.version;
    themeName = index.themeName;
    entries.append(index.entries);
    return true;
}

bool ThemeReader::extract()
{
    if (!QFileInfo::exists(themeFilePath)) {
        errorString = QLatin1String(missingMessage);
        failure = ThemeFailure::Missing;
        return false;
    }
    // Normalised before the archive is opened, so the value stays even when a
    // later step fails, and it carries over to the next archive of this reader.
    if (targetDir.isEmpty())
        targetDir = QFileInfo(themeFilePath).absolutePath();
    if (!targetDir.endsWith(QLatin1Char('/')))
        targetDir += QLatin1Char('/');

    QFile archive(themeFilePath);
    ThemeIndex index;
    if (!openAndParse(archive, index, errorString, failure))
        return false;
    version = index.version;
    themeName = index.themeName;

    qint64 total = 0;
    qint64 largest = 0;
    for (const ThemeEntry &entry : std::as_const(index.entries)) {
        total += entry.size;
        largest = qMax<qint64>(largest, entry.size);
    }
    ContentProgress written(progress, total);
    const ChunkCallback contentWritten = written.chunkCallback();

    const QString themeFolder = targetDir + themeName;
    // No larger than the largest resource needs: small themes stay small.
    QByteArray buffer(qsizetype(qBound<qint64>(1, largest, copyBufferSize)), Qt::Uninitialized);
    QString readyFolder; // the last folder known to exist
    QStringList failedFiles;
    qint64 entryStart = archive.pos();
    for (const ThemeEntry &entry : std::as_const(index.entries)) {
        if (written.stopRequested()) { // a cancel stops between files; those written stay whole
            errorString = QLatin1String(cancelledMessage);
            return false;
        }
        const QString filePath = themeFolder + entry.name;
        const QString folder = filePath.left(filePath.lastIndexOf(QLatin1Char('/')));
        if (folder != readyFolder && (QFileInfo(folder).isDir() || QDir().mkpath(folder)))
            readyFolder = folder;

        QFile file(filePath);
        CopyResult copied = CopyResult::WriteFailed;
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            copied = copyBytes(archive, file, entry.size, buffer, contentWritten);
        if (copied == CopyResult::Cancelled) {
            file.remove(); // no half-written resource is left behind
            errorString = QLatin1String(cancelledMessage);
            return false;
        }
        if (copied == CopyResult::Done && file.flush()) {
            file.close();
            if (fileWritten)
                fileWritten(filePath);
        } else if (copied == CopyResult::ReadShort) {
            // The index was checked against the file's length, so the archive
            // changed or failed under us: nothing after this can be trusted.
            errorString = QLatin1String(readFailedMessage);
            return false;
        } else {
            failedFiles.append(QDir::toNativeSeparators(filePath));
        }
        // Contents lie one after another; after a failed entry the next one
        // still starts where this one ends.
        entryStart += entry.size;
        if (archive.pos() != entryStart && !archive.seek(entryStart)) {
            errorString = QLatin1String(readFailedMessage);
            return false;
        }
    }

    if (failedFiles.size() == 1) {
        errorString = QString::fromLatin1(oneWriteFailedMessage).arg(failedFiles.first());
        return false;
    }
    if (!failedFiles.isEmpty()) {
        errorString = QString::fromLatin1(writesFailedMessage)
                          .arg(failedFiles.size())
                          .arg(failedFiles.first());
        return false;
    }
    return true;
}
