// SPDX-License-Identifier: MIT
#pragma once

class QFileDevice;

// Asks the kernel to start writing the file's dirty pages to disk now,
// without waiting for them. A file that will be synced when it is complete
// (as QSaveFile does before it replaces the old file) then has little left to
// write at that point: the disk works while the rest is still being copied.
// Does nothing where the platform has no such request.
void startWriteback(QFileDevice &file);
