// SPDX-License-Identifier: MIT
#include "FileLock.h"

bool lockForEditing(QFileDevice &, const QString &, int &error)
{
    error = 0;
    return true;
}
