// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include <memory>

class QTemporaryDir;

// The window's own temporary folder, for the copies of resources it hands to
// the desktop: "velmoro-<process id>-XXXXXX" in the system's temporary
// folder, so that whose it is can be told.

// A new folder of this process; null when none can be made.
std::unique_ptr<QTemporaryDir> makeScratchFolder();
