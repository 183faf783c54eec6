// SPDX-License-Identifier: MIT
#pragma once

// Where an entry lands, worked out from its text alone: the unpacked path is
// "<target>/" + theme name + entry name, joined with no separator in between
// (an entry name normally starts with "/", but a crafted one need not), and
// normalised: empty and "." components dropped, ".." going up one. Nothing
// on disk is consulted, so this is independent of how the library resolves
// paths.

#include <QString>
#include <QStringList>

namespace PathOracle {

struct Normalised
{
    QStringList components;   // below the target folder
    bool climbsAbove = false; // a ".." went above the target folder
};

// `backslashSeparates`: also split at "\", as the library's name check does;
// without it "\" is an ordinary character, as it is to the file system.
// `passed`, when given, collects every folder the walk passes through on the
// way (relative paths, "" for the target), whether or not ".." leaves it later.
inline Normalised normalise(const QString &relative, bool backslashSeparates,
                            QStringList *passed = nullptr)
{
    Normalised result;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= relative.size(); ++i) {
        const bool end = i == relative.size();
        if (!end && relative.at(i) != QLatin1Char('/')
            && !(backslashSeparates && relative.at(i) == QLatin1Char('\\')))
            continue;
        const QString component = relative.mid(start, i - start);
        start = i + 1;
        if (component.isEmpty() || component == QLatin1String("."))
            continue;
        if (component != QLatin1String("..")) {
            result.components.append(component);
        } else if (result.components.isEmpty()) {
            result.climbsAbove = true;
            return result;
        } else {
            result.components.removeLast();
        }
        if (passed && !end)
            passed->append(result.components.join(QLatin1Char('/')));
    }
    return result;
}

enum class Placement {
    Inside,             // strictly inside the theme folder, which lies inside the target
    ThemeOutside,       // the theme folder itself lies outside the target
    EntryOutsideTarget, // the entry lies outside the target
    EntryOutsideTheme,  // the entry lies inside the target but beside the theme folder
    EntryIsThemeFolder  // the entry names the theme folder, no file below it
};

inline Placement place(const QString &theme, const QString &entry, bool backslashSeparates)
{
    const Normalised folder = normalise(theme, backslashSeparates);
    if (folder.climbsAbove)
        return Placement::ThemeOutside;
    const Normalised path = normalise(theme + entry, backslashSeparates);
    if (path.climbsAbove)
        return Placement::EntryOutsideTarget;
    if (path.components.mid(0, folder.components.size()) != folder.components)
        return Placement::EntryOutsideTheme;
    return path.components.size() > folder.components.size() ? Placement::Inside
                                                             : Placement::EntryIsThemeFolder;
}

} // namespace PathOracle
