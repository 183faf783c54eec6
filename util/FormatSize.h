#pragma once

#include <QString>

// Byte count as short text: "1023 B", "1.50 KB", "2 KB", "117.73 MB".
// Negative counts give an empty string.
QString formatSize(qint64 size);
