// SPDX-License-Identifier: MIT
#include "Writeback.h"

#include <QFileDevice>

#ifdef Q_OS_LINUX
#include <fcntl.h>
#endif

void startWriteback(QFileDevice &file)
{
#ifdef Q_OS_LINUX
    if (file.handle() >= 0 && file.flush())
        ::sync_file_range(file.handle(), 0, 0, SYNC_FILE_RANGE_WRITE);
#else
    Q_UNUSED(file);
#endif
}
