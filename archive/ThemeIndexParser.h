// SPDX-License-Identifier: MIT
#pragma once

#include "ThemeEntry.h"

class QIODevice;

// What the front of an archive says: everything up to the data area.
struct ThemeIndex
{
    QString themeName;
    QString version;         // "major.minor.patch"
    qint64 contentStart = 0; // offset of the first content byte
    ThemeEntryList entries;
};

enum class ThemeIndexStatus {
    Ok,
    NoTag,      // not a theme archive at all
    Damaged,    // a field contradicts the file's length or the layout
    UnsafeName, // a name would lead outside the folder it is unpacked into
    TooLarge,   // more entries or longer names than a reader takes in
};

// Reads tag, version, name block, index, name records and the end record
// from the current position of `archive`, a file of `archiveSize` bytes,
// leaving the device at the first content byte. Every length is checked
// against what is left of the file before anything is allocated or read, and
// the data area the index describes must lie within the file, so an archive
// that passes can be unpacked without surprises.
ThemeIndexStatus parseThemeIndex(QIODevice &archive, qint64 archiveSize, ThemeIndex &index);
