// SPDX-License-Identifier: MIT
#pragma once

#include <QList>
#include <QRegularExpression>
#include <QStringList>

class ThemeIndex;

// The names a user gives for resources, matched against resources' paths
// as selectEntries() matches them.
class NameMatcher
{
public:
    // With `wildcards` false each name is exactly a resource's or a folder's
    // path, whatever characters it holds.
    explicit NameMatcher(const QStringList &names, bool wildcards = true);

    // True when a name chooses the resource at `path` (below the theme
    // folder, "img/bg.png") or a folder above it; notes the names that did.
    bool matches(const QString &path);

    // The names that have chosen nothing so far.
    QStringList unmatched() const;

private:
    QStringList names;
    QList<QRegularExpression> expressions;
    QList<bool> used;
};

// What a name that chose nothing is told: "The theme file holds nothing
// named: NAME".
QString nothingNamedMessage(const QString &name);

// Chooses entries of an archive by the names a user gives, as a shell would
// match paths: a name is a resource's path below the theme folder ("img/bg.png",
// a leading "/" allowed) or a folder's, which takes everything below it, and
// may hold the wildcards "*" and "?" (neither matches "/") and "[...]". Paths
// are compared as an unpack lays them out, so "//d.png" is "d.png".
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
