// SPDX-License-Identifier: MIT
#pragma once

#include "util/StreamCopy.h"

#include <QtGlobal>

#include <functional>

// Counts the content bytes a pack or unpack has copied against their total,
// tells the caller's progress hook (if any) and remembers when it asked to
// stop, so the work can stop at the next resource or chunk.
class ContentProgress
{
public:
    using Hook = std::function<bool(qint64 done, qint64 total)>;

    // Reports the start (0 of `total`) right away. The hook is kept by value:
    // a lambda passed straight in lives only as long as the call.
    ContentProgress(Hook progressHook, qint64 totalBytes)
        : hook(std::move(progressHook)), total(totalBytes), stop(hook && !hook(0, total))
    {
    }
    Q_DISABLE_COPY_MOVE(ContentProgress) // chunkCallback() hands out `this`

    bool stopRequested() const { return stop; }

    // Asks the hook again with nothing new copied (after an empty file,
    // which copies no chunk), so a stop is heard between any two files.
    bool keepGoing()
    {
        if (hook && !stop)
            stop = !hook(done, total);
        return !stop;
    }

    // What the copying code calls per chunk; empty without a hook.
    ChunkCallback chunkCallback()
    {
        if (!hook)
            return {};
        return [this](qint64 copied) {
            done += copied;
            stop = !hook(done, total);
            return !stop;
        };
    }

private:
    Hook hook;
    qint64 total;
    qint64 done = 0;
    bool stop;
};
