// SPDX-License-Identifier: MIT
#pragma once

#include "ThemeEntry.h"
#include "ThemeFailure.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

class QIODevice;

// What the front of an archive says: its theme name, its version and one
// entry per resource, in archive order. The names are kept as the archive
// stores them, in one block, and decoded when asked for: an index of a
// million entries then takes a few dozen bytes per entry.
class ThemeIndex
{
public:
    QString themeName;
    QString version; // "major.minor.patch"

    qsizetype count() const { return records.size(); }
    // The entry's name decoded (bytes that are not UTF-8 as stand-ins, see
    // ThemeNames::decode()), with its leading "/".
    QString name(qsizetype i) const;
    QByteArrayView nameBytes(qsizetype i) const;
    qint32 offset(qsizetype i) const { return records[i].offset; }
    qint32 size(qsizetype i) const { return records[i].size; }
    ThemeEntry entry(qsizetype i) const { return {name(i), offset(i), size(i)}; }
    // Every entry, decoded; for callers that keep them all.
    ThemeEntryList entries() const;
    // The content bytes of all entries together.
    qint64 contentSize() const;

private:
    friend class ThemeIndexReader;
    struct Record
    {
        qint32 nameStart = 0; // in `names`; all names take at most 64 MiB
        qint32 nameLength = 0;
        qint32 offset = 0;
        qint32 size = 0;
    };
    QByteArray names;
    QList<Record> records;
};

// Reads tag, version, name block, index, name records and the end record
// from the start of `archive`, a file of `archiveSize` bytes, and leaves the
// device at the first content byte. Every length is checked against what is
// left of the file before anything is allocated or read, every offset of the
// index against where its record or content really lies, the data area the
// index describes must lie within the file, and every name must keep to the
// rules of ThemeRules, so an archive that passes can be unpacked without
// surprises. Returns the failure (its kind None when the index was read);
// `index` is changed only on success.
ThemeError readThemeIndex(QIODevice &archive, qint64 archiveSize, ThemeIndex &index);
