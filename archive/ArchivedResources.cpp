// SPDX-License-Identifier: MIT
#include "ArchivedResources.h"

#include "ThemeIndex.h"
#include "ThemeNames.h"

#include <algorithm>

namespace {

// A name as a pack writes it ("/img/bg.png": a "/" before each component,
// none of them empty, "." or "..", nor holding "\\" where that separates):
// its path below the theme folder is what follows the first "/", whatever the
// theme name. Told from its bytes, so that most names are decoded once.
bool isPlain(QByteArrayView name)
{
    if (name.size() < 2 || name.front() != '/')
        return false;
    qsizetype start = 1;
    for (qsizetype i = 1; i <= name.size(); ++i) {
        if (i < name.size() && name[i] != '/') {
#ifdef Q_OS_WIN
            if (name[i] == '\\')
                return false;
#endif
            continue;
        }
        const QByteArrayView part = name.sliced(start, i - start);
        if (part.isEmpty() || part == ".")
            return false;
        start = i + 1;
    }
    return true;
}

// The path of an entry whose name a pack would not write so, as an unpack
// reads it; empty for one that names a folder, and holds no file.
QByteArray cleanedPath(const ThemeIndex &index, qsizetype i)
{
    ThemeNames::EntryPlace place = ThemeNames::entryPlace(index.themeName, index.name(i));
    if (place.file.isEmpty())
        return QByteArray();
    place.folders.append(place.file);
    return ThemeNames::encode(place.folders.join(QLatin1Char('/')));
}

} // namespace

ArchivedResources::ArchivedResources(const ThemeIndex &index)
{
    resources.reserve(index.count());
    for (qsizetype i = 0; i < index.count(); ++i) {
        QByteArrayView path = index.nameBytes(i);
        if (isPlain(path)) { // ".." never passed the reader
            path = path.sliced(1);
        } else {
            cleaned.append(cleanedPath(index, i));
            path = cleaned.last();
            if (path.isEmpty())
                continue;
        }
        resources.append({path, index.offset(i), index.size(i), qint32(i)});
    }
    std::sort(resources.begin(), resources.end(), [](const Resource &a, const Resource &b) {
        const int byPath = a.path.compare(b.path);
        return byPath != 0 ? byPath < 0 : a.entry < b.entry;
    });
    // Of the entries of one path, the last one is what an unpack leaves.
    const auto sameAsNext =
        std::unique(resources.rbegin(), resources.rend(),
                    [](const Resource &a, const Resource &b) { return a.path == b.path; });
    resources.erase(resources.begin(), sameAsNext.base());
}

QString ArchivedResources::path(qsizetype k) const
{
    return ThemeNames::decode(resources[k].path.data(), resources[k].path.size());
}
