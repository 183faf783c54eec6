// SPDX-License-Identifier: MIT
#pragma once

#include "ThemeEntry.h"

#include <QStringList>

// Chooses entries of an archive by the names a user gives, as a shell would
// match paths: a name is a resource's path below the theme folder ("img/bg.png",
// a leading "/" allowed) or a folder's, which takes everything below it, and
// may hold the wildcards "*" and "?" (neither matches "/") and "[...]".
// Returns the chosen entries' names, in archive order, each once; `unmatched`
// receives every given name that matched nothing.
QStringList selectEntries(const ThemeEntryList &entries, const QStringList &patterns,
                          QStringList &unmatched);
