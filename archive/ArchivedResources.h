// SPDX-License-Identifier: MIT
#pragma once

#include <QList>
#include <QString>

class ThemeIndex;

// One resource of an archive as an unpack leaves it on disk.
struct ArchivedResource
{
    QString path;      // below the theme folder, as this system reads it: "img/bg.png"
    qint64 offset = 0; // where its contents lie in the archive
    qint64 size = 0;
};

// The resources an unpack of the archive of `index` leaves: one per file
// path, with the contents of the later of two entries of one path (in the
// earlier one's place); entries that name a folder ("/img/") hold none.
QList<ArchivedResource> archivedResources(const ThemeIndex &index);
