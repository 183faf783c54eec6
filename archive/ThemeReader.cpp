// SPDX-License-Identifier: MIT
#include "ThemeReader.h"

#include "EntrySelection.h"
#include "OpenArchive.h"
#include "OutputRules.h"
#include "ThemeExtractor.h"
#include "ThemeFormat.h"
#include "util/StreamCopy.h"

#include <QFileInfo>

#include <cerrno>

namespace {

const char readFailedMessage[] = "Can NOT read the theme file.";
const char oneWriteFailedMessage[] = "Can NOT write the resource file: %1";
const char noSuchEntryMessage[] = "The theme file holds no resource named: %1";

// Copy chunk for a resource written to a device: memory stays flat whatever
// the size of the resource.
constexpr qint64 copyBufferSize = qint64(1024) * 1024;

} // namespace

qint32 ThemeReader::decodeInt32(const QByteArray &bytes)
{
    if (bytes.size() < 4)
        return 0;
    return ThemeFormat::readInt32(bytes.constData());
}

bool ThemeReader::fail(const ThemeError &failure)
{
    error = failure;
    errorString = failure.message;
    return false;
}

bool ThemeReader::open(OpenArchive &archive, const QString &path)
{
    const ThemeError opened = archive.open(path);
    if (opened.failed())
        return fail(opened);
    version = archive.index.version;
    return true;
}

bool ThemeReader::readIndex(const QString &archivePath, ThemeEntryList &entries, QString &name)
{
    OpenArchive archive;
    if (!open(archive, archivePath))
        return false;
    name = archive.index.themeName;
    entries.append(archive.index.entries());
    return true;
}

bool ThemeReader::readIndex(const QString &archivePath, ThemeIndex &index)
{
    OpenArchive archive;
    if (!open(archive, archivePath))
        return false;
    index = std::move(archive.index);
    return true;
}

bool ThemeReader::extract()
{
    return unpack({});
}

bool ThemeReader::extractEntries(const QStringList &names)
{
    return unpack([&names](const ThemeIndex &index) { return entriesNamed(index, names); });
}

bool ThemeReader::extractMatching(const QStringList &patterns, QStringList &unmatched)
{
    return unpack(
        [&](const ThemeIndex &index) { return selectEntries(index, patterns, unmatched); });
}

bool ThemeReader::unpack(const std::function<QList<qsizetype>(const ThemeIndex &)> &choose)
{
    if (!QFileInfo::exists(themeFilePath)) {
        OpenArchive missing; // says why, as every read does
        return open(missing, themeFilePath);
    }
    // Normalised before the archive is opened, so the value stays even when a
    // later step fails, and it carries over to the next archive of this reader.
    if (targetDir.isEmpty())
        targetDir = OutputRules::targetBeside(themeFilePath);
    if (!targetDir.endsWith(QLatin1Char('/')))
        targetDir += QLatin1Char('/');

    OpenArchive archive;
    if (!open(archive, themeFilePath))
        return false;
    themeName = archive.index.themeName;
    QList<qsizetype> chosen;
    if (choose)
        chosen = choose(archive.index);
    const ThemeError extracted =
        extractArchive(archive, targetDir, choose ? &chosen : nullptr, {fileWritten, progress});
    return !extracted.failed() || fail(extracted);
}

bool ThemeReader::readEntry(const QString &archivePath, const QString &path, QIODevice &out)
{
    OpenArchive archive;
    if (!open(archive, archivePath))
        return false;
    // Two entries of one name: the later one is what an unpack leaves.
    const qsizetype found = resourceFileAt(archive.index, path);
    if (found < 0)
        return fail({ThemeFailure::Missing, QString::fromLatin1(noSuchEntryMessage).arg(path), 0,
                     QString(), archivePath});
    const qint64 size = archive.index.size(found);
    errno = 0;
    if (!archive.file.seek(archive.index.offset(found)))
        return fail({ThemeFailure::Unreadable, QLatin1String(readFailedMessage), errno, QString(),
                     archivePath});
    QByteArray buffer(qsizetype(qBound<qint64>(1, size, copyBufferSize)), Qt::Uninitialized);
    const CopyOutcome copied = copyBytes(archive.file, out, size, buffer);
    switch (copied.result) {
    case CopyResult::Done: return true;
    case CopyResult::WriteFailed:
        return fail({writeFailureFor(copied.systemError),
                     QString::fromLatin1(oneWriteFailedMessage).arg(path), copied.systemError,
                     QString(), QString()});
    case CopyResult::ReadShort:
    case CopyResult::ReadFailed:
    case CopyResult::Cancelled: break;
    }
    return fail({ThemeFailure::Unreadable, QLatin1String(readFailedMessage), copied.systemError,
                 QString(), archivePath});
}
