// SPDX-License-Identifier: MIT
#include "TerminalText.h"

#include "archive/ThemeNames.h"

#include <cstring>

namespace {

void appendOctal(QByteArray &out, uchar byte)
{
    const char escape[] = {'\\', char('0' + (byte >> 6)), char('0' + ((byte >> 3) & 7)),
                           char('0' + (byte & 7))};
    out.append(escape, 4);
}

// Characters that print nothing but change how the rest is shown.
bool isInvisibleControl(char32_t c)
{
    return (c >= 0x80 && c <= 0x9F)                     // C1 controls, CSI among them
           || c == 0x061C || c == 0x200E || c == 0x200F // direction marks
           || c == 0x2028 || c == 0x2029 // line and paragraph separators: a new line to some
           || (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069) || c == 0xFEFF;
}

// Appends to `escaped` how the character at `i` (one unit, or a surrogate
// pair) must be shown when not as it is, and returns how many units it takes.
// `ascii` tells whether a character shown as it is was plain ASCII.
qsizetype escapeAt(QStringView text, qsizetype i, Backslashes backslashes, QByteArray &escaped,
                   bool &ascii)
{
    const char16_t unit = text[i].unicode();
    ascii = unit < 0x80;
    if (unit >= 0x20 && unit < 0x7F) { // printable ASCII: most names are nothing else
        if (unit == '\\' && backslashes == Backslashes::Doubled)
            escaped.append("\\\\", 2);
        return 1;
    }
    if (unit < 0x20 || unit == 0x7F) {
        static const char letters[] = "abtnvfr"; // \a (7) to \r (13)
        if (unit >= 7 && unit <= 13)
            escaped.append('\\').append(letters[unit - 7]);
        else
            appendOctal(escaped, uchar(unit));
        return 1;
    }
    const int invalid = ThemeNames::invalidByteAt(text, i);
    if (invalid >= 0) {
        appendOctal(escaped, uchar(invalid));
        return 1;
    }
    const bool pair =
        text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate();
    const char32_t c = pair ? QChar::surrogateToUcs4(text[i], text[i + 1]) : unit;
    if (isInvisibleControl(c)) {
        for (const char byte : text.mid(i, pair ? 2 : 1).toUtf8())
            appendOctal(escaped, uchar(byte));
    }
    return pair ? 2 : 1;
}

} // namespace

void appendForTerminal(QByteArray &out, QStringView text, Backslashes backslashes)
{
    // Characters shown as they are go out in runs, converted once per run.
    qsizetype runStart = 0;
    bool runIsAscii = true;
    const auto endRun = [&](qsizetype end) {
        if (end <= runStart)
            return;
        const QStringView run = text.mid(runStart, end - runStart);
        if (runIsAscii) {
            const qsizetype start = out.size();
            out.resize(start + run.size());
            char *to = out.data() + start;
            for (const QChar c : run)
                *to++ = char(c.unicode());
        } else {
            out.append(run.toUtf8());
        }
    };
    QByteArray escaped;
    for (qsizetype i = 0; i < text.size();) {
        bool ascii = true;
        const qsizetype length = escapeAt(text, i, backslashes, escaped, ascii);
        if (!escaped.isEmpty()) {
            endRun(i);
            out += escaped;
            escaped.clear();
            runStart = i + length;
            runIsAscii = true;
        } else if (!ascii) {
            runIsAscii = false;
        }
        i += length;
    }
    endRun(text.size());
}

void appendRightJustified(QByteArray &line, const char *text, qsizetype length, qsizetype width)
{
    const qsizetype padding = qMax<qsizetype>(0, width - length);
    const qsizetype start = line.size();
    line.resize(start + padding + length);
    std::memset(line.data() + start, ' ', size_t(padding));
    std::memcpy(line.data() + start + padding, text, size_t(length));
}
