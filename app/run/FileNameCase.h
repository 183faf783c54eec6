// SPDX-License-Identifier: MIT
#pragma once

#include <QtGlobal>

// Whether two spellings of a file name that differ only in letter case name
// the same file on this system.
#if defined(Q_OS_WIN) || defined(Q_OS_MACOS)
constexpr Qt::CaseSensitivity fileNameCase = Qt::CaseInsensitive;
#else
constexpr Qt::CaseSensitivity fileNameCase = Qt::CaseSensitive;
#endif
