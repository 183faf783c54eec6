// SPDX-License-Identifier: MIT
// No kernel copy: every byte goes through the buffer.
#include "KernelCopy.h"

KernelCopy copyInKernel(QIODevice &, QIODevice &, qint64 &, const ChunkCallback &)
{
    return {};
}
