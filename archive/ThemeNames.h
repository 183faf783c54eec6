// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QStringView>

// The rules for the names inside an archive, shared by the packer (which
// never writes a name its reader would refuse) and the reader.
namespace ThemeNames {

// Decodes a name from an archive or a folder listing. Valid UTF-8 is decoded
// as it is; every byte of an invalid sequence becomes the lone surrogate
// U+DC80 + byte, which valid UTF-8 never yields. So no byte is lost, two
// different invalid names never collapse into one, and such a name can be
// shown (escaped) but is never taken for a valid one.
QString decode(const char *bytes, qsizetype size);

// The bytes `name` was decoded from: decode()'s inverse, so a name that was
// not UTF-8 is written back as it was read.
QByteArray encode(QStringView name);

// True when `bytes` is valid UTF-8.
bool isUtf8(const char *bytes, qsizetype size);

// True when `name` holds bytes that were not valid UTF-8 (see decode()).
bool holdsInvalidBytes(QStringView name);

// The byte value behind the character at `i` when it is one of decode()'s
// stand-ins, or -1 for any other character.
int invalidByteAt(QStringView name, qsizetype i);

// The number of separators ("/" or "\") in `name`: how deep it nests.
qsizetype separatorCount(QStringView name);

// False for a name with a NUL character or a ".." component ("/" and "\"
// both separate components): such a name is refused wherever it appears,
// even where it would come back inside, so an archive never depends on how
// a platform reads it.
bool isSafeName(QStringView name);

// The folder an archive unpacks into is the target followed directly by the
// theme name, and each file is that followed directly by its entry name:
// plain text joined without a separator in between. True when, on every
// platform ("\" read as a separator or not), the joined path of `entryName`
// lies inside the theme folder (or is the folder itself, as for the entry
// "/", which names no file and so can never be written). Theme "." with
// entry "./x" joins into "../x" and fails, as does theme "a" with entry "b"
// ("ab", beside the theme folder "a"). Only for names that passed
// isSafeName().
bool staysInsideThemeFolder(QStringView themeName, QStringView entryName);

// The components of the theme folder below the target, as this platform's
// file system reads them ("." and empty components dropped). Only for a
// name that passed isSafeName().
QStringList themeFolderComponents(QStringView themeName);

// Where an entry lands below the theme folder, as this platform's file
// system reads the joined path ("." and empty components dropped, so
// "//d.png" is "d.png"). An entry whose name ends in a separator or "."
// ("/img/", "/") names a folder: `file` is empty and `folders` is that
// folder. Only for names that passed isSafeName() and
// staysInsideThemeFolder().
struct EntryPlace
{
    QStringList folders; // below the theme folder
    QString file;        // empty when the entry names a folder
};
EntryPlace entryPlace(QStringView themeName, QStringView entryName);

// The entry's path below the theme folder, "/" between components
// ("img/bg.png"; "img" for "/img/"): how a user names it.
QString resourcePath(QStringView themeName, QStringView entryName);

// Every component below the theme folder, the file's name last.
QStringList entryComponents(QStringView themeName, QStringView entryName);

} // namespace ThemeNames
