// SPDX-License-Identifier: MIT
#pragma once

#include <QList>
#include <QRegularExpression>
#include <QStringList>

class ThemeIndex;

// One name a user gives to choose resources, as a shell would match paths: a
// resource's path below the theme folder ("img/bg.png", leading and trailing
// "/" ignored) or a folder's, which takes everything below it, with the
// wildcards "*" and "?" (neither matches "/") and "[...]". The command line's
// extract and the window's filter over the resource tree choose by it.
class EntryPattern
{
public:
    // With `wildcards` false the pattern is exactly a path, whatever characters it holds.
    explicit EntryPattern(QString pattern, Qt::CaseSensitivity letterCase = Qt::CaseSensitive,
                          bool wildcards = true);

    // Whether the path below the theme folder, or a folder above it, matches.
    bool matches(QStringView path) const;

    // Whether the text holds a wildcard, so that it is a pattern rather than
    // a plain name.
    static bool holdsWildcard(const QString &text);

private:
    QRegularExpression expression;
};

// The names a user gives for resources (EntryPattern each), matched against
// resources' paths as selectEntries() matches them.
class NameMatcher
{
public:
    explicit NameMatcher(const QStringList &names, bool wildcards = true);

    // True when a name chooses the resource at `path` (below the theme
    // folder, "img/bg.png") or a folder above it; notes the names that did.
    bool matches(const QString &path);

    // The names that have chosen nothing so far.
    QStringList unmatched() const;

private:
    QStringList names;
    QList<EntryPattern> patterns;
    QList<bool> used;
};

// What a name that chose nothing is told: "The theme file holds nothing
// named: NAME".
QString nothingNamedMessage(const QString &name);

// Chooses entries of an archive by the names a user gives (EntryPattern).
// Paths are compared as an unpack lays them out, so "//d.png" is "d.png".
// Returns the chosen entries' positions in archive order, each once;
// `unmatched` receives every given name that matched nothing.
QList<qsizetype> selectEntries(const ThemeIndex &index, const QStringList &patterns,
                               QStringList &unmatched);

// The positions of the entries whose names are exactly those in `names`
// ("/img/bg.png", as the index holds them), in archive order.
QList<qsizetype> entriesNamed(const ThemeIndex &index, const QStringList &names);

// The position of the resource file at `path` below the theme folder
// ("img/bg.png"), compared as selectEntries() compares; the later of two of
// one path, as an unpack leaves it; -1 when there is none.
qsizetype resourceFileAt(const ThemeIndex &index, const QString &path);
