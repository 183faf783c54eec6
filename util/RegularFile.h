// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

class QFile;

// Opens the file at `path` for reading only when it is a regular file. A
// FIFO, socket or device in its place is refused without waiting on it
// (opening a FIFO for reading blocks until something writes to it), and so
// is a folder. False with `error` set to the system's error number, or to
// EINVAL for something that is not a regular file.
bool openRegularFile(QFile &file, const QString &path, int &error);
