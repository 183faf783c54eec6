// SPDX-License-Identifier: MIT
#include "Writeback.h"

#include <QFileDevice>

#include <fcntl.h>

void startWriteback(QFileDevice &file)
{
    if (file.handle() >= 0 && file.flush())
        ::sync_file_range(file.handle(), 0, 0, SYNC_FILE_RANGE_WRITE);
}
