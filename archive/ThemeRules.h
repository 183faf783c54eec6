// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QStringView>
#include <QtGlobal>

// What an archive may hold and which names it may carry. The reader refuses
// an archive that breaks a rule, and the packer checks the same rules, on
// the same names, before it replaces anything: it never writes an archive
// its own reader refuses.
namespace ThemeRules {

// Far beyond any theme, but bounded: the index, the names and their strings
// are held in memory, so a crafted archive (a mostly empty 2 GiB file
// claiming hundreds of millions of entries, or names of a gigabyte) is
// refused before it can take the machine's memory.
inline constexpr qint64 maxEntries = 1000000;
inline constexpr qint64 maxNameLength = qint64(64) * 1024;         // UTF-8 bytes of one name
inline constexpr qint64 maxNamesLength = qint64(64) * 1024 * 1024; // bytes of all entry names
inline constexpr qint64 maxDepth = 256; // separators in the theme name and an entry name together

// Why a name may not stand in an archive.
enum class NameProblem {
    None,
    LeadsOutside, // ".." or NUL, or it joins with the theme name into a path outside its folder
    TooLong,      // over maxNameLength bytes
    TooDeep,      // with the theme name, more than maxDepth folders deep
};

// The checks of one archive's names, theme name first, then its entries in
// order; they count what the entries take together as they come.
class NameCheck
{
public:
    // `themeName` and the UTF-8 length of it.
    NameCheck(QStringView themeName, qint64 themeLength);

    // The theme name's own problem: LeadsOutside or TooLong.
    NameProblem themeProblem() const { return theme; }

    // Counts one more entry whose name takes `length` bytes; false when the
    // archive would then pass maxEntries or maxNamesLength (checked before
    // the name is read, so nothing unbounded is allocated).
    bool countEntry(qint64 length);

    // Where the entry name leads, joined to the theme name as an unpack
    // joins them.
    NameProblem entryProblem(QStringView entryName) const;

private:
    QString themeName;
    qsizetype themeDepth = 0;
    NameProblem theme = NameProblem::None;
    qint64 entries = 0;
    qint64 namesLength = 0;
};

} // namespace ThemeRules
