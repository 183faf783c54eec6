// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include <memory>

class QTemporaryDir;

// The window's own temporary folder, for the copies of resources it hands to
// the desktop: "velmoro-<process id>-XXXXXX" in the system's temporary
// folder. The process id in the name tells a later Velmoro whether the one
// that made it still runs.

// A new folder of this process; null when none can be made.
std::unique_ptr<QTemporaryDir> makeScratchFolder();

// Removes, from `tempFolder` (the system's temporary folder), the folders
// that Velmoro processes which no longer run left behind (a crash, a kill,
// a power cut): only real folders named as above and owned by this user. A
// link is never followed, neither one in that name nor any inside.
void removeAbandonedScratchFolders(const QString &tempFolder);
