// SPDX-License-Identifier: MIT
#include "EditPlan.h"

#include "ArchiveChange.h"
#include "ArchivedResources.h"
#include "EntrySelection.h"
#include "FolderScan.h"
#include "PackOrder.h"
#include "ThemeIndex.h"
#include "ThemeNames.h"
#include "ThemeRules.h"
#include "util/FolderListing.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

#include <cerrno>

namespace {

const char notUtf8Message[] = "The resource name is not valid UTF-8: %1";
const char unsafeNameMessage[] =
    "The resource name would lead outside the folder it is unpacked into: %1";
const char hiddenNameMessage[] =
    "The resource name starts with \".\", and a pack leaves such files out: %1";
const char emptyNameMessage[] = "The resource name is empty.";
const char readFailedMessage[] = "Can NOT read the resource file: %1";
const char addedToItselfMessage[] = "The theme file can NOT be added to itself: %1";
const char nameTakenMessage[] = "The theme file already holds a resource or folder named: %1";
const char fileAndFolderMessage[] =
    "The theme file would hold a resource and a folder of one name: %1";

ThemeError failure(ThemeFailure kind, const char *message, const QString &argument,
                   const QString &path = QString())
{
    return {kind, QString::fromLatin1(message).arg(argument), 0, QString(), path};
}

// The components of a path given for a resource: "/img//./bg.png" is img, bg.png.
QStringList componentsOf(const QString &given)
{
    QStringList parts = given.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    parts.removeAll(QStringLiteral("."));
    return parts;
}

bool sameFile(const QString &a, const QString &b)
{
    quint64 deviceA = 0, inodeA = 0, deviceB = 0, inodeB = 0;
    return fileIdentity(a, deviceA, inodeA) && fileIdentity(b, deviceB, inodeB)
           && deviceA == deviceB && inodeA == inodeB;
}

} // namespace

EditPlan::EditPlan(const ThemeIndex &index, const QString &archivePath)
    : themeName(index.themeName), archive(archivePath)
{
    const ArchivedResources resources(index);
    list.reserve(resources.count());
    for (qsizetype k = 0; k < resources.count(); ++k)
        list.append({resources.path(k), resources.size(k), resources.offset(k), -1});
    removed = QList<bool>(list.size(), false);
}

QByteArray EditPlan::theme() const
{
    return ThemeNames::encode(themeName); // as it was stored, also when it is not UTF-8
}

ThemeError EditPlan::apply(const ArchiveChange &change, QStringList &unmatched)
{
    switch (change.kind) {
    case ArchiveChange::Kind::Add: return add(change.source, change.path);
    case ArchiveChange::Kind::Remove: return remove(change.names, change.wildcards, unmatched);
    case ArchiveChange::Kind::Rename: break;
    }
    return rename(change.path, change.newPath, unmatched);
}

// A name given for a resource must be one a pack of the folder would write.
ThemeError EditPlan::givenPath(const QString &given, bool mayBeEmpty, QString &path) const
{
    if (ThemeNames::holdsInvalidBytes(given)) // no stand-in ever becomes a byte of a name
        return failure(ThemeFailure::BadName, notUtf8Message, given);
    if (!ThemeNames::isSafeName(given))
        return failure(ThemeFailure::Unsafe, unsafeNameMessage, given);
    const QStringList parts = componentsOf(given);
    for (const QString &part : parts) {
        if (part.startsWith(QLatin1Char('.')))
            return failure(ThemeFailure::BadName, hiddenNameMessage, given);
    }
    if (parts.isEmpty() && !mayBeEmpty)
        return {ThemeFailure::BadName, QLatin1String(emptyNameMessage), 0, QString(), QString()};
    path = parts.join(QLatin1Char('/'));
    return {};
}

ThemeError EditPlan::add(const QString &source, const QString &given)
{
    const QFileInfo info(source);
    QString path;
    ThemeError problem = givenPath(given, info.isDir(), path);
    if (problem.failed())
        return problem;
    if (info.isDir())
        return addFolder(info.absoluteFilePath(), path);
    const QString shown = QDir::toNativeSeparators(source);
    if (!info.exists())
        return {ThemeFailure::Missing, QString::fromLatin1(readFailedMessage).arg(shown), ENOENT,
                QString(), source};
    if (!info.isFile()) // a FIFO would make the copy wait forever
        return {ThemeFailure::Unreadable, QString::fromLatin1(readFailedMessage).arg(shown), 0,
                QStringLiteral("Not a regular file"), source};
    if (sameFile(source, archive))
        return failure(ThemeFailure::Conflict, addedToItselfMessage, shown, source);
    put(path, info.size(), info.absoluteFilePath());
    return {};
}

// The folder's files, as a pack of it would take them (hidden ones and
// FIFOs left out, links followed, names checked; the archive itself, should
// it lie inside, left out too), below `folder`.
ThemeError EditPlan::addFolder(const QString &source, const QString &folder)
{
    ThemeScan scan;
    ThemeError scanned = scanThemeFolder(source, themeName, archive, scan);
    if (scanned.failed())
        return scanned;
    const QString prefix = folder.isEmpty() ? QString() : folder + QLatin1Char('/');
    for (const SourceFile &file : std::as_const(scan.files)) {
        const QString name = QString::fromUtf8(scan.encodedName(file)).mid(1); // without "/"
        put(prefix + name, file.size, scan.absolutePath(file));
    }
    return {};
}

ThemeError EditPlan::remove(const QStringList &names, bool wildcards, QStringList &unmatched)
{
    NameMatcher matcher(names, wildcards);
    for (qsizetype i = 0; i < list.size(); ++i) {
        if (!removed[i] && matcher.matches(list[i].path)) {
            removed[i] = true;
            ++removedCount;
            byPath.remove(list[i].path);
        }
    }
    const QStringList left = matcher.unmatched();
    if (left.isEmpty())
        return {};
    unmatched.append(left);
    return {ThemeFailure::Missing, nothingNamedMessage(left.first()), 0, QString(), archive};
}

ThemeError EditPlan::rename(const QString &given, const QString &newPath, QStringList &unmatched)
{
    const QString from = componentsOf(given).join(QLatin1Char('/'));
    QString to;
    ThemeError problem = givenPath(newPath, false, to);
    if (problem.failed())
        return problem;
    // The resource of that path, or everything in the folder of that path.
    QList<bool> moving(list.size(), false);
    bool any = false;
    const QString fromFolder = from + QLatin1Char('/');
    for (qsizetype i = 0; i < list.size(); ++i) {
        const QString &path = list[i].path;
        moving[i] = !removed[i] && !from.isEmpty() && (path == from || path.startsWith(fromFolder));
        any = any || moving[i];
    }
    if (!any) {
        unmatched.append(given);
        return {ThemeFailure::Missing, nothingNamedMessage(given), 0, QString(), archive};
    }
    if (to == from)
        return {};
    const QString toFolder = to + QLatin1Char('/');
    for (qsizetype i = 0; i < list.size(); ++i) {
        const QString &path = list[i].path;
        if (!removed[i] && !moving[i] && (path == to || path.startsWith(toFolder)))
            return failure(ThemeFailure::Conflict, nameTakenMessage, newPath, archive);
    }
    for (qsizetype i = 0; i < list.size(); ++i) {
        if (moving[i])
            byPath.remove(list[i].path);
    }
    for (qsizetype i = 0; i < list.size(); ++i) {
        if (!moving[i])
            continue;
        list[i].path = to + list[i].path.mid(from.size());
        if (indexed)
            byPath.insert(list[i].path, i);
    }
    return {};
}

// Adds a resource, or gives one of that path its new contents.
void EditPlan::put(const QString &path, qint64 size, const QString &file)
{
    // Made when first needed: an edit that only removes or renames needs none.
    if (!indexed) {
        byPath.reserve(list.size() - removedCount);
        for (qsizetype i = 0; i < list.size(); ++i) {
            if (!removed[i])
                byPath.insert(list[i].path, i);
        }
        indexed = true;
    }
    const EditedEntry entry{path, size, -1, qint32(addedFiles.size())};
    addedFiles.append(file);
    const auto found = byPath.constFind(path);
    if (found != byPath.cend()) {
        list[found.value()] = entry;
        return;
    }
    byPath.insert(path, list.size());
    list.append(entry);
    removed.append(false);
}

void EditPlan::compact()
{
    byPath.clear();
    indexed = false;
    if (removedCount == 0)
        return;
    QList<EditedEntry> kept;
    kept.reserve(list.size() - removedCount);
    for (qsizetype i = 0; i < list.size(); ++i) {
        if (!removed[i])
            kept.append(std::move(list[i]));
    }
    list.swap(kept);
    removed = QList<bool>(list.size(), false);
    removedCount = 0;
}

// A folder cannot hold a file and a folder of one name: an unpack would
// fail one of them.
QString EditPlan::clashOfFileAndFolder() const
{
    QSet<QString> folders;
    for (const EditedEntry &entry : list) {
        for (qsizetype slash = entry.path.indexOf(QLatin1Char('/')); slash >= 0;
             slash = entry.path.indexOf(QLatin1Char('/'), slash + 1))
            folders.insert(entry.path.left(slash));
    }
    for (const EditedEntry &entry : list) {
        if (folders.contains(entry.path))
            return entry.path;
    }
    return QString();
}

// The entries in the order of a pack, moved in place: an archive of many
// resources is not held twice.
void EditPlan::putInPackOrder()
{
    QStringList paths;
    paths.reserve(list.size());
    for (const EditedEntry &entry : std::as_const(list))
        paths.append(entry.path);
    const QList<qsizetype> order = PackOrder::positions(paths); // entry k comes from order[k]
    paths.clear();
    QList<bool> done(list.size(), false);
    for (qsizetype start = 0; start < list.size(); ++start) {
        if (done[start])
            continue;
        EditedEntry first = std::move(list[start]);
        qsizetype k = start;
        for (; order[k] != start; k = order[k]) {
            list[k] = std::move(list[order[k]]);
            done[k] = true;
        }
        list[k] = std::move(first);
        done[k] = true;
    }
}

ThemeError EditPlan::finish()
{
    compact();
    const QString clash = clashOfFileAndFolder();
    if (!clash.isNull())
        return failure(ThemeFailure::Conflict, fileAndFolderMessage, QLatin1Char('/') + clash,
                       archive);
    putInPackOrder();

    ThemeRules::NameCheck check(themeName, theme().size());
    nameBlock.clear();
    nameStarts = {0};
    nameStarts.reserve(list.size() + 1);
    for (qsizetype i = 0; i < list.size(); ++i) {
        const QString name = QLatin1Char('/') + list[i].path;
        const QByteArray stored = ThemeNames::encode(name);
        ThemeError problem = checkResourceName(check, i, name, stored.size(), name);
        if (problem.failed())
            return problem;
        nameBlock += stored; // at most 64 MiB: checked
        nameStarts.append(qint32(nameBlock.size()));
    }
    return {};
}
