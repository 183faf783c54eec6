// SPDX-License-Identifier: MIT
#include "ThemeRules.h"

#include "ThemeNames.h"

namespace ThemeRules {

NameCheck::NameCheck(QStringView name, qint64 themeLength)
    : themeName(name.toString()), themeDepth(ThemeNames::separatorCount(name))
{
    if (themeLength > maxNameLength)
        theme = NameProblem::TooLong;
    else if (!ThemeNames::isSafeName(name))
        theme = NameProblem::LeadsOutside;
    else if (themeDepth > maxDepth)
        theme = NameProblem::TooDeep;
}

bool NameCheck::countEntry(qint64 length)
{
    ++entries;
    namesLength += length;
    return entries <= maxEntries && length <= maxNameLength && namesLength <= maxNamesLength;
}

NameProblem NameCheck::entryProblem(QStringView entryName) const
{
    if (!ThemeNames::isSafeName(entryName)
        || !ThemeNames::staysInsideThemeFolder(themeName, entryName))
        return NameProblem::LeadsOutside;
    // Folders nested thousands deep are no theme, only work for the disk.
    if (themeDepth + ThemeNames::separatorCount(entryName) > maxDepth)
        return NameProblem::TooDeep;
    return NameProblem::None;
}

} // namespace ThemeRules
