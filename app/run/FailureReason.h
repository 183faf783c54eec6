// SPDX-License-Identifier: MIT
#pragma once

#include "archive/ThemeFailure.h"

#include <QString>

enum class RunKind { Pack, Unpack, Edit };

// What went wrong with one theme of a run and what the theme author can do
// about it, in the window's language, naming what stood in the way where
// that is what to fix; the library's English message and the system's
// reason are shown beside it for support.
QString failureReason(RunKind kind, const ThemeError &error);

// Why an archive was not listed when it was added; empty for archives that
// are left out quietly (not a theme archive, missing).
QString refusalReason(ThemeFailure failure);
