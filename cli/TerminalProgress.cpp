#include "TerminalProgress.h"

#include "util/FormatSize.h"

#ifdef Q_OS_WIN
#include <io.h>
#define isatty _isatty
#define fileno _fileno
#else
#include <unistd.h>
#endif

namespace {
constexpr qint64 showAfterMs = 500;
constexpr qint64 redrawEveryMs = 100;
} // namespace

TerminalProgress::TerminalProgress(bool wanted) : enabled(wanted && isatty(fileno(stderr)) != 0) {}

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
    if (!enabled || sinceStart.elapsed() < showAfterMs
        || (sinceDrawn.isValid() && sinceDrawn.elapsed() < redrawEveryMs))
        return true;
    const int percent = total > 0 ? int(100 * done / total) : 100;
    const QString line = QStringLiteral("\r%1: %2% (%3 of %4)\033[K")
                             .arg(label)
                             .arg(percent)
                             .arg(formatSize(done), formatSize(total));
    std::fputs(line.toLocal8Bit().constData(), stderr);
    std::fflush(stderr);
    shown = true;
    sinceDrawn.start();
    return true;
}

void TerminalProgress::finish()
{
    if (shown) {
        std::fputs("\r\033[K", stderr);
        std::fflush(stderr);
        shown = false;
    }
}
