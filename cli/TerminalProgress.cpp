// SPDX-License-Identifier: MIT
#include "TerminalProgress.h"

#include "Interruption.h"
#include "TerminalText.h"
#include "util/FormatSize.h"

#include <QIODevice>

namespace {
constexpr qint64 showAfterMs = 500;
constexpr qint64 redrawEveryMs = 100;
} // namespace

TerminalProgress::TerminalProgress(QIODevice &standardError, bool wanted)
    : err(standardError), enabled(wanted)
{
}

TerminalProgress::~TerminalProgress()
{
    finish();
}

void TerminalProgress::start(const QString &verb, const QString &item)
{
    finish();
    label = verb + QLatin1Char(' ') + item;
    sinceStart.start();
    sinceDrawn.invalidate();
}

bool TerminalProgress::update(qint64 done, qint64 total)
{
    if (InterruptionWatch::signal() != 0)
        return false;
    if (!enabled || sinceStart.elapsed() < showAfterMs
        || (sinceDrawn.isValid() && sinceDrawn.elapsed() < redrawEveryMs))
        return true;
    const int percent = total > 0 ? int(100 * done / total) : 100;
    QByteArray line("\r");
    appendForTerminal(line, label);
    line += QStringLiteral(": %1% (%2 of %3)")
                .arg(percent)
                .arg(formatSize(done), formatSize(total))
                .toUtf8();
    line += "\033[K";
    err.write(line);
    shown = true;
    sinceDrawn.start();
    return true;
}

void TerminalProgress::finish()
{
    if (shown) {
        err.write("\r\033[K");
        shown = false;
    }
}
