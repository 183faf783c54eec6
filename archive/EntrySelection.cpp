// SPDX-License-Identifier: MIT
#include "EntrySelection.h"

#include "ThemeIndex.h"
#include "ThemeNames.h"

#include <QRegularExpression>
#include <QSet>

namespace {

const char nothingNamedText[] = "The theme file holds nothing named: %1";

// The path as names see it. A byte that was not UTF-8 matches as any
// character does ("*" takes it), so such an entry is chosen and then fails,
// instead of being left out without a word; the expression engine refuses
// the stand-ins.
QString matchable(const QString &path)
{
    QString copy;
    for (qsizetype c = 0; c < path.size(); ++c) {
        if (ThemeNames::invalidByteAt(path, c) < 0)
            continue;
        if (copy.isNull())
            copy = path;
        copy[c] = QChar::ReplacementCharacter;
    }
    return copy.isNull() ? path : copy;
}

} // namespace

EntryPattern::EntryPattern(QString pattern, Qt::CaseSensitivity letterCase, bool wildcards)
{
    while (pattern.startsWith(QLatin1Char('/')))
        pattern.remove(0, 1);
    while (pattern.endsWith(QLatin1Char('/')))
        pattern.chop(1);
    if (wildcards)
        expression.setPattern(QRegularExpression::wildcardToRegularExpression(pattern));
    if (!wildcards
        || !expression.isValid()) // "[" alone: no wildcard after all, the name as it stands
        expression.setPattern(
            QRegularExpression::anchoredPattern(QRegularExpression::escape(pattern)));
    if (letterCase == Qt::CaseInsensitive)
        expression.setPatternOptions(QRegularExpression::CaseInsensitiveOption);
}

bool EntryPattern::matches(QStringView path) const
{
    // The path and every folder above it: "a/b/c", "a/b", "a".
    for (qsizetype end = path.size(); end > 0; end = path.lastIndexOf(QLatin1Char('/'), end - 1)) {
        if (expression.match(path.left(end)).hasMatch())
            return true;
    }
    return false;
}

bool EntryPattern::holdsWildcard(const QString &text)
{
    return text.contains(QLatin1Char('*')) || text.contains(QLatin1Char('?'))
           || text.contains(QLatin1Char('['));
}

QString nothingNamedMessage(const QString &name)
{
    return QString::fromLatin1(nothingNamedText).arg(name);
}

NameMatcher::NameMatcher(const QStringList &givenNames, bool wildcards)
    : names(givenNames), used(givenNames.size(), false)
{
    for (const QString &name : givenNames)
        patterns.append(EntryPattern(name, Qt::CaseSensitive, wildcards));
}

bool NameMatcher::matches(const QString &resourcePath)
{
    const QString path = matchable(resourcePath);
    bool matched = false;
    for (qsizetype p = 0; p < patterns.size(); ++p) {
        if (patterns[p].matches(path)) {
            used[p] = true;
            matched = true;
        }
    }
    return matched;
}

QStringList NameMatcher::unmatched() const
{
    QStringList left;
    for (qsizetype p = 0; p < names.size(); ++p) {
        if (!used[p])
            left.append(names[p]);
    }
    return left;
}

QList<qsizetype> selectEntries(const ThemeIndex &index, const QStringList &patterns,
                               QStringList &unmatched)
{
    NameMatcher matcher(patterns);
    QList<qsizetype> chosen;
    for (qsizetype i = 0; i < index.count(); ++i) {
        if (matcher.matches(ThemeNames::resourcePath(index.themeName, index.name(i))))
            chosen.append(i);
    }
    unmatched.append(matcher.unmatched());
    return chosen;
}

QList<qsizetype> entriesNamed(const ThemeIndex &index, const QStringList &names)
{
    const QSet<QString> wanted(names.cbegin(), names.cend());
    QList<qsizetype> chosen;
    for (qsizetype i = 0; i < index.count(); ++i) {
        if (wanted.contains(index.name(i)))
            chosen.append(i);
    }
    return chosen;
}

qsizetype resourceFileAt(const ThemeIndex &index, const QString &path)
{
    const QString wanted = ThemeNames::resourcePath(index.themeName, QLatin1Char('/') + path);
    qsizetype found = -1;
    for (qsizetype i = 0; i < index.count(); ++i) {
        const QString name = index.name(i);
        if (!ThemeNames::entryPlace(index.themeName, name).file.isEmpty()
            && ThemeNames::resourcePath(index.themeName, name) == wanted)
            found = i;
    }
    return found;
}
