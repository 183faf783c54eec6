// SPDX-License-Identifier: MIT
#include "ArchiveComparison.h"

#include "ArchiveWindow.h"
#include "ArchivedResources.h"
#include "ContentProgress.h"
#include "OpenArchive.h"
#include "PackOrder.h"

#include <algorithm>
#include <cstring>

namespace {

const char readFailedMessage[] = "Can NOT read the theme file.";
const char cancelledMessage[] = "The comparison was cancelled.";

// Contents are compared a window of each archive at a time: large enough that
// runs of small resources cost few reads, small enough that the memory it
// takes is soon touched (which costs more than the reads).
constexpr qint64 windowSize = qint64(256) * 1024;

// A resource both archives hold at one size: only its contents can tell.
struct SameSize
{
    qsizetype resource = 0; // in the first archive's resources
    qint64 oldOffset = 0;
    qint64 newOffset = 0;
    qint64 size = 0;
};

// For each resource from the k-th on, the bytes of it and of the following
// ones that lie right behind it in the archive: what is worth reading in one
// go, and no byte more.
QList<qint64> readAhead(const QList<SameSize> &resources, qint64 SameSize::*offset)
{
    QList<qint64> ahead(resources.size(), 0);
    for (qsizetype k = resources.size() - 1; k >= 0; --k) {
        const SameSize &resource = resources[k];
        ahead[k] = resource.size;
        if (k + 1 < resources.size()
            && resources[k + 1].*offset == resource.*offset + resource.size)
            ahead[k] += ahead[k + 1];
    }
    return ahead;
}

// Compares the contents of resources of equal size, in the order they lie
// in the first archive.
class ContentComparison
{
public:
    ContentComparison(OpenArchive &older, OpenArchive &newer, ContentProgress &progressed)
        : oldArchive(older.file),
          newArchive(newer.file),
          oldWindow(older.file, windowSize),
          newWindow(newer.file, windowSize),
          progress(progressed),
          counted(progressed.chunkCallback())
    {
    }

    // Those whose contents differ go to `changed`.
    ThemeError run(QList<SameSize> resources, QList<SameSize> &changed);

private:
    // 1 when equal, 0 when not, -1 when the archives cannot be read (`error`).
    int same(const SameSize &resource, qint64 oldAhead, qint64 newAhead, ThemeError &error);

    QFile &oldArchive;
    QFile &newArchive;
    ArchiveWindow oldWindow;
    ArchiveWindow newWindow;
    ContentProgress &progress;
    ChunkCallback counted;
};

int ContentComparison::same(const SameSize &resource, qint64 oldAhead, qint64 newAhead,
                            ThemeError &error)
{
    for (qint64 done = 0; done < resource.size;) {
        const qint64 chunk = qMin(resource.size - done, windowSize);
        int readError = 0;
        const char *older =
            oldWindow.bytes(resource.oldOffset + done, chunk, readError, oldAhead - done);
        const char *newer =
            older ? newWindow.bytes(resource.newOffset + done, chunk, readError, newAhead - done)
                  : nullptr;
        if (!newer) {
            error = {ThemeFailure::Unreadable, QLatin1String(readFailedMessage), readError,
                     QString(), (older ? newArchive : oldArchive).fileName()};
            return -1;
        }
        done += chunk;
        const bool equal = std::memcmp(older, newer, size_t(chunk)) == 0;
        if (counted)
            counted(equal ? chunk : chunk + resource.size - done); // the rest is not read
        if (!equal)
            return 0;
        if (progress.stopRequested())
            return 1;
    }
    return 1;
}

ThemeError ContentComparison::run(QList<SameSize> resources, QList<SameSize> &changed)
{
    std::sort(resources.begin(), resources.end(),
              [](const SameSize &a, const SameSize &b) { return a.oldOffset < b.oldOffset; });
    const QList<qint64> oldAhead = readAhead(resources, &SameSize::oldOffset);
    const QList<qint64> newAhead = readAhead(resources, &SameSize::newOffset);
    for (qsizetype k = 0; k < resources.size(); ++k) {
        if (progress.stopRequested())
            return {ThemeFailure::Cancelled, QLatin1String(cancelledMessage), 0, QString(),
                    QString()};
        ThemeError error;
        const int equal = same(resources[k], oldAhead[k], newAhead[k], error);
        if (equal < 0)
            return error;
        if (equal == 0)
            changed.append(resources[k]);
    }
    if (progress.stopRequested())
        return {ThemeFailure::Cancelled, QLatin1String(cancelledMessage), 0, QString(), QString()};
    return {};
}

// What the indexes tell: resources only one archive holds, and those whose
// sizes differ; those of equal size go to `sameSize`. Both lists are sorted
// by path, so one walk through them matches them up.
QList<ResourceDifference> differencesBySize(const ArchivedResources &older,
                                            const ArchivedResources &newer,
                                            QList<SameSize> &sameSize)
{
    QList<ResourceDifference> found;
    sameSize.reserve(qMin(older.count(), newer.count()));
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < older.count() || j < newer.count()) {
        const int order = i == older.count()   ? 1
                          : j == newer.count() ? -1
                                               : older.pathBytes(i).compare(newer.pathBytes(j));
        if (order < 0) {
            found.append({ResourceDifference::Change::Removed, older.path(i), older.size(i), -1});
            ++i;
        } else if (order > 0) {
            found.append({ResourceDifference::Change::Added, newer.path(j), -1, newer.size(j)});
            ++j;
        } else {
            if (older.size(i) != newer.size(j))
                found.append({ResourceDifference::Change::Changed, older.path(i), older.size(i),
                              newer.size(j)});
            else if (older.size(i) > 0)
                sameSize.append({i, older.offset(i), newer.offset(j), older.size(i)});
            ++i;
            ++j;
        }
    }
    return found;
}

QList<ResourceDifference> inPackOrder(const QList<ResourceDifference> &found)
{
    QStringList paths;
    paths.reserve(found.size());
    for (const ResourceDifference &difference : found)
        paths.append(difference.path);
    QList<ResourceDifference> ordered;
    ordered.reserve(found.size());
    for (const qsizetype k : PackOrder::positions(paths))
        ordered.append(found[k]);
    return ordered;
}

} // namespace

ThemeError compareArchives(const QString &oldPath, const QString &newPath,
                           QList<ResourceDifference> &differences,
                           const std::function<bool(qint64 done, qint64 total)> &progress)
{
    OpenArchive older;
    OpenArchive newer;
    ThemeError error = older.open(oldPath);
    if (!error.failed())
        error = newer.open(newPath);
    if (error.failed())
        return error;
    QList<SameSize> sameSize;
    const ArchivedResources oldResources(older.index);
    QList<ResourceDifference> found =
        differencesBySize(oldResources, ArchivedResources(newer.index), sameSize);
    qint64 toCompare = 0;
    for (const SameSize &resource : std::as_const(sameSize))
        toCompare += resource.size;
    ContentProgress progressed(progress, toCompare);
    ContentComparison comparison(older, newer, progressed);
    QList<SameSize> changed;
    error = comparison.run(sameSize, changed);
    if (error.failed())
        return error;
    for (const SameSize &resource : std::as_const(changed))
        found.append({ResourceDifference::Change::Changed, oldResources.path(resource.resource),
                      resource.size, resource.size});
    differences = inPackOrder(found);
    return {};
}
