// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

class QFile;

// Opens the file at `path` for reading only when it is a regular file. A
// FIFO, socket or device in its place is refused without waiting on it
// (opening a FIFO for reading blocks until something writes to it), and so
// is a folder. False with `error` set to the system's error number (0 where
// the system gave none), EISDIR for a folder, or EINVAL for something else
// that is not a regular file. On POSIX systems (RegularFile_posix.cpp) the
// file is looked at through the descriptor it is read from; elsewhere
// (RegularFile_qt.cpp) through Qt, by path, just before it is opened.
bool openRegularFile(QFile &file, const QString &path, int &error);
