// SPDX-License-Identifier: MIT
#pragma once

#include <QList>
#include <QString>
#include <QtGlobal>

// One resource of a theme archive as the readers report it.
struct ThemeEntry
{
    QString name;      // relative path with "/" separators and a leading "/"
    qint32 offset = 0; // absolute offset of the contents in the archive
    qint32 size = 0;   // number of content bytes
};

// The resources of one archive, in index order.
using ThemeEntryList = QList<ThemeEntry>;

// One 8-byte record of an archive's index.
struct IndexRecord
{
    qint32 nameOffset = 0; // offset of the entry's name record
    qint32 dataOffset = 0; // offset of the entry's first content byte
};
