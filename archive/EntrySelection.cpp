// SPDX-License-Identifier: MIT
#include "EntrySelection.h"

#include "ThemeNames.h"

#include <QRegularExpression>
#include <QSet>

QStringList selectEntries(const ThemeEntryList &entries, const QStringList &patterns,
                          QStringList &unmatched)
{
    QList<QRegularExpression> expressions;
    for (QString pattern : patterns) {
        while (pattern.startsWith(QLatin1Char('/')))
            pattern.remove(0, 1);
        while (pattern.endsWith(QLatin1Char('/')))
            pattern.chop(1);
        QRegularExpression expression(QRegularExpression::wildcardToRegularExpression(pattern));
        if (!expression.isValid()) // "[" alone: no wildcard after all, the name as it stands
            expression.setPattern(
                QRegularExpression::anchoredPattern(QRegularExpression::escape(pattern)));
        expressions.append(expression);
    }
    QList<bool> used(patterns.size(), false);
    QStringList chosen;
    QSet<QString> seen;
    for (const ThemeEntry &entry : entries) {
        // The entry's path and every folder above it: "a/b/c", "a/b", "a".
        QString path = entry.name.mid(entry.name.startsWith(QLatin1Char('/')) ? 1 : 0);
        // A byte that was not UTF-8 matches as any character does ("*" takes
        // it), so such an entry is chosen and then fails, instead of being
        // left out without a word; the expression engine refuses the stand-ins.
        for (qsizetype i = 0; i < path.size(); ++i) {
            if (ThemeNames::invalidByteAt(path, i) >= 0)
                path[i] = QChar::ReplacementCharacter;
        }
        bool matched = false;
        for (qsizetype end = path.size(); end > 0;
             end = path.lastIndexOf(QLatin1Char('/'), end - 1)) {
            const QStringView candidate = QStringView(path).left(end);
            for (qsizetype i = 0; i < expressions.size(); ++i) {
                if (expressions[i].match(candidate).hasMatch()) {
                    used[i] = true;
                    matched = true;
                }
            }
        }
        if (matched && !seen.contains(entry.name)) {
            seen.insert(entry.name);
            chosen.append(entry.name);
        }
    }
    for (qsizetype i = 0; i < patterns.size(); ++i) {
        if (!used[i])
            unmatched.append(patterns[i]);
    }
    return chosen;
}
