// SPDX-License-Identifier: MIT
#include "ThemeFailure.h"

#include <cerrno>

ThemeFailure writeFailureFor(int systemError)
{
    switch (systemError) {
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
        return ThemeFailure::DiskFull;
    case EFBIG: return ThemeFailure::FileTooLarge;
    case EACCES:
    case EPERM:
    case EROFS: return ThemeFailure::PermissionDenied;
    default: return ThemeFailure::Unwritable;
    }
}

bool isWriteFailure(ThemeFailure kind)
{
    return kind == ThemeFailure::DiskFull || kind == ThemeFailure::FileTooLarge
           || kind == ThemeFailure::PermissionDenied || kind == ThemeFailure::Unwritable;
}
