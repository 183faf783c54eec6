// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

class QFileDevice;

// Takes the lock that makes one edit of an archive at a time: `file` is the
// archive at `path`, open for reading. False when another edit holds it, or
// when `path` no longer names that file (an edit that just ended put a new
// archive there): an edit of what was read would then undo the other's.
// `error` receives the system's error number, or 0 when the path names
// another file. The lock goes when the file is closed. Systems without
// such locks take it always.
bool lockForEditing(QFileDevice &file, const QString &path, int &error);
