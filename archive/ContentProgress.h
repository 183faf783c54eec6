#pragma once

#include "util/StreamCopy.h"

#include <functional>

// Counts the content bytes a pack or unpack has copied against their total,
// tells the caller's progress hook (if any) and remembers when it asked to
// stop, so the work can stop at the next resource or chunk.
class ContentProgress
{
public:
    using Hook = std::function<bool(qint64 done, qint64 total)>;

    // Reports the start (0 of `total`) right away.
    ContentProgress(const Hook &hook, qint64 total)
        : hook(hook), total(total), stop(hook && !hook(0, total))
    {
    }

    bool stopRequested() const { return stop; }

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
    const Hook &hook;
    qint64 total;
    qint64 done = 0;
    bool stop;
};
