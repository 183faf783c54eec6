// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QStringView>

// Appends `text` (a name from an archive or a folder) as UTF-8 that is safe
// to show on a terminal: control characters (ESC, BEL, a newline...),
// invisible direction marks, the line and paragraph separators U+2028 and
// U+2029, and bytes that were not valid UTF-8 are shown as C escapes, as ls
// and GNU tar show them ("\n", "\033", "\377"). So an
// archive can neither repaint the terminal nor forge a line of the listing.
// In a listing a backslash is doubled, so that the escapes stay unambiguous;
// a message keeps its backslashes (Windows paths) as they are.
enum class Backslashes { Doubled, Kept };
void appendForTerminal(QByteArray &out, QStringView text,
                       Backslashes backslashes = Backslashes::Doubled);

// Appends the `length` bytes of `text` after spaces that make them `width`
// columns wide: a column of a listing (plain ASCII only).
void appendRightJustified(QByteArray &line, const char *text, qsizetype length, qsizetype width);
