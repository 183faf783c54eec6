// SPDX-License-Identifier: MIT
#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <algorithm>
#include <utility>

// The order in which a pack writes a folder's resources: a folder's files by
// name ignoring case, then its sub-folders in the same order, depth first.
// A pack, an edit and a comparison all follow it, so that an edited archive
// is the one a pack of the edited folder would write.
namespace PackOrder {

// Sorts `items` by the name `nameOf` gives each (a QString or QStringView):
// names are compared after lower-casing, code unit by code unit; names equal
// but for case keep a fixed order, so that every scan of the same tree gives
// the same archive.
template <typename T, typename NameOf> void sortByName(QList<T> &items, NameOf nameOf)
{
    QList<std::pair<QString, qsizetype>> keyed;
    keyed.reserve(items.size());
    for (qsizetype i = 0; i < items.size(); ++i)
        keyed.append({QStringView(nameOf(items[i])).toString().toLower(), i});
    std::sort(keyed.begin(), keyed.end(), [&](const auto &a, const auto &b) {
        const int byKey = a.first.compare(b.first);
        return byKey != 0 ? byKey < 0 : nameOf(items[a.second]) < nameOf(items[b.second]);
    });
    QList<T> sorted;
    sorted.reserve(items.size());
    for (const auto &key : std::as_const(keyed))
        sorted.append(std::move(items[key.second]));
    items.swap(sorted);
}

// The positions of `paths` (resources below the theme folder, "img/bg.png":
// no two alike, none a folder of another) in the order a pack of the folder
// they make up writes them.
QList<qsizetype> positions(const QStringList &paths);

} // namespace PackOrder
