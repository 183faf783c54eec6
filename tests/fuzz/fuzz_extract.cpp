// SPDX-License-Identifier: MIT
// Feeds archives to ThemeReader::extract() and checks after every input that
// the run stayed in its folder. Before each run the target folder gets the
// objects of PlantedNames.h: a link to a folder outside (the sentinel), a
// link that points to nothing outside, a link to a file outside, and a FIFO.
// Afterwards:
// - nothing was written outside the target: the sentinel is empty, the
//   outside file unchanged, nothing new beside the target, nothing at the
//   dangling link's destination;
// - the links are still those links, unless an entry names exactly that
//   place and a regular file replaced it, and the FIFO is still a FIFO;
// - every new file in the target is where some entry leads, and no
//   temporary file (".velmoro-...") stays behind; a successful run wrote
//   every entry;
// - an archive that readIndex() refuses is refused by extract() too, and
//   leaves the target as it was.
// Opening the FIFO for writing blocks forever; libFuzzer's -timeout reports
// such a hang, and this target makes that 20 s unless told otherwise.

#include "FuzzWorkspace.h"
#include "PathOracle.h"
#include "PlantedNames.h"
#include "archive/ThemeReader.h"

#include <QMap>
#include <QSet>

#include <cstring>
#include <sys/stat.h>
#include <vector>

namespace {

struct Places
{
    QString base;     // the process's workspace: the input archive and work/
    QString work;     // holds the target and what lies beside it
    QString target;   // the folder unpacked into
    QString sentinel; // where the folder link points
    QString outside;  // where the file link points
    QString nowhere;  // where the dangling link points; must never exist
};

const QByteArray outsideContents = QByteArrayLiteral("outside the target");

const Places &places()
{
    static const Places paths = [] {
        Places p;
        p.base = FuzzWorkspace::folder();
        p.work = p.base + QStringLiteral("/work");
        p.target = p.work + QStringLiteral("/target");
        p.sentinel = p.work + QStringLiteral("/sentinel");
        p.outside = p.work + QStringLiteral("/outside.txt");
        p.nowhere = p.work + QStringLiteral("/nowhere");
        return p;
    }();
    return paths;
}

QByteArray local(const QString &path)
{
    return QFile::encodeName(path);
}

QString plantedPath(const char *name)
{
    return places().target + QLatin1Char('/') + QLatin1String(name);
}

void plant()
{
    const Places &p = places();
    QFile outside(p.outside);
    const bool planted =
        QDir().mkpath(p.target) && QDir().mkpath(p.sentinel) && outside.open(QIODevice::WriteOnly)
        && outside.write(outsideContents) == outsideContents.size()
        && ::symlink(local(p.sentinel), local(plantedPath(PlantedNames::folderLink))) == 0
        && ::symlink(local(p.nowhere), local(plantedPath(PlantedNames::danglingLink))) == 0
        && ::symlink(local(p.outside), local(plantedPath(PlantedNames::fileLink))) == 0
        && ::mkfifo(local(plantedPath(PlantedNames::fifo)), 0600) == 0;
    if (!planted) {
        std::fprintf(stderr, "cannot plant the links and the FIFO in %s\n", qPrintable(p.target));
        std::abort();
    }
}

// What lies at `path` without following a link: "dir", "fifo", "file <size>",
// "link -> <destination>", or "other".
QString describe(const QString &path)
{
    struct stat info;
    if (::lstat(local(path), &info) != 0)
        return QString();
    if (S_ISDIR(info.st_mode))
        return QStringLiteral("dir");
    if (S_ISFIFO(info.st_mode))
        return QStringLiteral("fifo");
    if (S_ISREG(info.st_mode))
        return QStringLiteral("file %1").arg(qint64(info.st_size));
    if (S_ISLNK(info.st_mode))
        return QStringLiteral("link -> ") + QFile::symLinkTarget(path);
    return QStringLiteral("other");
}

// Everything below the target, by relative path, with what it is.
QMap<QString, QString> snapshot()
{
    QMap<QString, QString> all;
    for (const QString &relative : FuzzWorkspace::everything(places().target))
        all.insert(relative, describe(places().target + QLatin1Char('/') + relative));
    return all;
}

// Where the archive's entries lead, relative to the target: the files and the
// folders on the way to them (and to the theme folder). "\" is taken both as
// an ordinary character and as a separator, so either way of writing is
// accepted.
struct Expected
{
    QSet<QString> files;
    QSet<QString> folders;
};

Expected expectedPaths(const QString &theme, const ThemeEntryList &entries)
{
    Expected expected;
    QStringList passed;
    for (const bool backslashSeparates : {false, true}) {
        PathOracle::normalise(theme + QLatin1Char('/'), backslashSeparates, &passed);
        for (const ThemeEntry &entry : entries) {
            const PathOracle::Normalised path =
                PathOracle::normalise(theme + entry.name, backslashSeparates, &passed);
            if (!path.climbsAbove)
                expected.files.insert(path.components.join(QLatin1Char('/')));
        }
    }
    expected.folders = QSet<QString>(passed.cbegin(), passed.cend());
    return expected;
}

void checkNothingOutside()
{
    const Places &p = places();
    for (const QString &entry : FuzzWorkspace::everything(p.base)) {
        if (entry != QLatin1String("input.tsk") && entry != QLatin1String("work")
            && entry != QLatin1String("work/target")
            && !entry.startsWith(QLatin1String("work/target/"))
            && entry != QLatin1String("work/sentinel")
            && entry != QLatin1String("work/outside.txt"))
            FuzzWorkspace::fail("written outside the target folder", entry);
    }
    QFile outside(p.outside);
    if (!outside.open(QIODevice::ReadOnly) || outside.readAll() != outsideContents)
        FuzzWorkspace::fail("the file outside changed (written through a link?)");
}

// A planted object stays as it was. Only a link may be replaced, by a regular
// file, and only by an entry that names exactly its place; a FIFO there makes
// that entry fail and stays a FIFO.
void checkPlanted(const QMap<QString, QString> &before, const QMap<QString, QString> &after,
                  const Expected &expected)
{
    for (const char *name : PlantedNames::all) {
        const QString key = QLatin1String(name);
        const QString now = after.value(key);
        if (now == before.value(key))
            continue;
        if (before.value(key).startsWith(QLatin1String("link ")) && expected.files.contains(key)
            && now.startsWith(QLatin1String("file ")))
            continue;
        FuzzWorkspace::fail("a planted link or FIFO was changed",
                            key + QStringLiteral(": ") + before.value(key) + QStringLiteral(" -> ")
                                + (now.isEmpty() ? QStringLiteral("gone") : now));
    }
}

// A successful unpack wrote every entry: its place (as this file system reads
// it, "\" an ordinary character) holds a regular file of the size of the last
// entry of that name, or a folder when the name ends in "/" (or "/.").
void checkAllWritten(const QString &theme, const ThemeEntryList &entries,
                     const QMap<QString, QString> &after)
{
    QMap<QString, QString> wanted;
    for (const ThemeEntry &entry : entries) {
        const PathOracle::Normalised path = PathOracle::normalise(theme + entry.name, false);
        if (path.components.isEmpty())
            continue; // names the target itself, which is there
        const QString last = entry.name.section(QLatin1Char('/'), -1);
        const bool namesFolder = last.isEmpty() || last == QLatin1String(".");
        wanted.insert(path.components.join(QLatin1Char('/')),
                      namesFolder ? QStringLiteral("dir")
                                  : QStringLiteral("file %1").arg(entry.size));
    }
    for (auto it = wanted.cbegin(); it != wanted.cend(); ++it) {
        if (after.value(it.key()) != it.value())
            FuzzWorkspace::fail("success reported, but an entry was not written",
                                it.key() + QStringLiteral(": ") + after.value(it.key()));
    }
}

void checkNewFiles(const QMap<QString, QString> &before, const QMap<QString, QString> &after,
                   const Expected &expected)
{
    for (auto it = after.cbegin(); it != after.cend(); ++it) {
        const QString &path = it.key();
        if (before.contains(path) || expected.files.contains(path))
            continue;
        const bool folder = it.value() == QLatin1String("dir");
        if (folder && expected.folders.contains(path))
            continue;
        if (path.section(QLatin1Char('/'), -1)
                .startsWith(QLatin1String(PlantedNames::temporaryPrefix)))
            FuzzWorkspace::fail("temporary file left behind", path);
        FuzzWorkspace::fail(folder ? "folder where no entry leads" : "file where no entry leads",
                            path + QStringLiteral(": ") + it.value());
    }
}

} // namespace

// A FIFO at an entry's place hangs the run; say so within seconds rather
// than libFuzzer's default 20 minutes. An explicit -timeout wins.
extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    for (int i = 1; i < *argc; ++i) {
        if (std::strncmp((*argv)[i], "-timeout=", 9) == 0)
            return 0;
    }
    static std::vector<char *> arguments;
    static char timeout[] = "-timeout=20";
    arguments.assign(*argv, *argv + *argc);
    arguments.insert(arguments.begin() + 1, timeout);
    arguments.push_back(nullptr);
    *argc += 1;
    *argv = arguments.data();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const Places &p = places();
    const QString path = FuzzWorkspace::writeInput(data, size);
    plant();
    const QMap<QString, QString> before = snapshot();

    ThemeReader indexReader;
    ThemeEntryList entries;
    QString theme;
    const bool listed = indexReader.readIndex(path, entries, theme);

    ThemeReader reader;
    reader.themeFilePath = path;
    reader.targetDir = p.target;
    const bool extracted = reader.extract();
    if (!extracted && reader.errorString.isEmpty())
        FuzzWorkspace::fail("failure without a message");
    if (extracted && !listed)
        FuzzWorkspace::fail("extracted an archive that readIndex refuses", indexReader.errorString);

    checkNothingOutside();
    const QMap<QString, QString> after = snapshot();
    const Expected expected = expectedPaths(theme, entries);
    checkPlanted(before, after, expected);
    // An archive refused for what it holds leaves the target as it was; only
    // a failure to write some resources may leave others behind.
    const bool refused = !listed || reader.error.kind == ThemeFailure::NotArchive
                         || reader.error.kind == ThemeFailure::Damaged;
    if (refused && after != before)
        FuzzWorkspace::fail("refused archive changed the target", reader.errorString);
    checkNewFiles(before, after, expected);
    if (extracted)
        checkAllWritten(theme, entries, after);

    QDir(p.work).removeRecursively();
    return 0;
}
