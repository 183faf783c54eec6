// SPDX-License-Identifier: MIT
#include "ArchivedResources.h"

#include "ThemeIndex.h"
#include "ThemeNames.h"

#include <QHash>

QList<ArchivedResource> archivedResources(const ThemeIndex &index)
{
    QList<ArchivedResource> resources;
    resources.reserve(index.count());
    QHash<QString, qsizetype> byPath;
    byPath.reserve(index.count());
    for (qsizetype i = 0; i < index.count(); ++i) {
        ThemeNames::EntryPlace place = ThemeNames::entryPlace(index.themeName, index.name(i));
        if (place.file.isEmpty())
            continue;
        place.folders.append(place.file);
        ArchivedResource resource{place.folders.join(QLatin1Char('/')), index.offset(i),
                                  index.size(i)};
        const auto earlier = byPath.constFind(resource.path);
        if (earlier != byPath.cend()) {
            resources[earlier.value()] = std::move(resource);
            continue;
        }
        byPath.insert(resource.path, resources.size());
        resources.append(std::move(resource));
    }
    return resources;
}
