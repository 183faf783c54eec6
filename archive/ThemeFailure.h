// SPDX-License-Identifier: MIT
#pragma once

// What kind of failure a pack, unpack or read ended with. The English
// `errorString` of ThemePacker and ThemeReader stays the fixed text it always
// was; this tells a caller what happened, so that it can explain it in its
// own words (the window does, in Chinese) without parsing that text.
enum class ThemeFailure {
    None,
    Missing,          // no folder or archive at the given path
    NotArchive,       // the file does not start with the theme archive tag
    Damaged,          // the archive contradicts its own layout or length
    Unsafe,           // a name would lead outside the folder it is unpacked into
    BadName,          // a name that cannot be stored or written: not UTF-8, or a refused theme name
    Unreadable,       // a folder or file to read cannot be listed, opened or read
    Unwritable,       // the archive or a resource file cannot be written
    DiskFull,         // a write failed because the disk or quota is full, or the file too large
    PermissionDenied, // a write failed because the system refused access
    TooLarge,         // more than an archive can hold (2 GiB, or 1,000,000 files)
    Conflict,         // the output would replace something it must not: a resource being
                      // packed, the archive being read, or another output of the same run
    Cancelled,        // the caller asked to stop
};

#include <cerrno>

// The kind of a failed write, from the system's error number.
inline ThemeFailure writeFailureFor(int systemError)
{
    switch (systemError) {
    case ENOSPC:
    case EFBIG:
#ifdef EDQUOT
    case EDQUOT:
#endif
        return ThemeFailure::DiskFull;
    case EACCES:
    case EPERM:
    case EROFS: return ThemeFailure::PermissionDenied;
    default: return ThemeFailure::Unwritable;
    }
}
