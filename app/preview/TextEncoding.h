// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QString>

// Reads the bytes of a text resource as the text they hold, trying in turn:
// the encoding a byte-order mark gives (UTF-8, UTF-16, UTF-32); the one the
// text declares (an XML declaration's encoding="gbk", an HTML meta charset, a
// CSS @charset); UTF-8; and GB18030, which also reads GBK and GB2312, the
// encodings of most Chinese text that is not UTF-8 (where the toolkit was
// built with that converter). A guess (UTF-8 or GB18030) must decode without
// error and without the control characters binary data is full of.
// False when none of them fits: the bytes are no text.
bool decodeText(const QByteArray &bytes, QString &text);
