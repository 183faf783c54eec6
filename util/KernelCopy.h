// SPDX-License-Identifier: MIT
#pragma once

#include "StreamCopy.h"

// How much of a copy the kernel took over, for copyBytes().
struct KernelCopy
{
    enum Outcome {
        Rest,        // the rest (perhaps all of it) is left to the buffered copy
        Done,        // all bytes copied
        SourceEnded, // the source ended early
        Cancelled,   // the chunk callback asked to stop
        PositionLost // the devices could not be moved past the copied bytes: see `error`
    };
    Outcome outcome = Rest;
    int error = 0;
};

// Copies as much of `count` bytes as it can inside the kernel, between two
// files (Linux's copy_file_range, KernelCopy_linux.cpp), lowering `count` by
// what it copied and moving both devices past it. Stops at the first error
// without judging it (Rest): the buffered copy then takes over and tells a
// failed read from a failed write, which the kernel's error number does not.
// Where the system has no such call (KernelCopy_qt.cpp) it copies nothing.
KernelCopy copyInKernel(QIODevice &from, QIODevice &to, qint64 &count,
                        const ChunkCallback &chunkCopied);
