// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

// Byte count as short text: "1023 B", "1.50 KB", "2 KB", "117.73 MB".
// Negative counts give an empty string.
QString formatSize(qint64 size);

// The same text in ASCII, written into `text` without allocating (for long
// listings); returns its length.
int formatSize(qint64 size, char (&text)[32]);
