// SPDX-License-Identifier: MIT
#pragma once

#include "util/OutputTree.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

class QFileDevice;

// Creates and fills small files on worker threads while the caller goes on
// reading the archive. Creating files is most of what an unpack of many
// small resources costs, and the file system does it for two threads at
// once. Each queued file is written into the output tree of a slot of its
// own but not put in place; the caller takes the files back in the order it
// queued them and puts each in place (commit()) or drops it (discard()), so
// files still appear one after the other and a stop leaves none after it.
class FileWriterPool
{
public:
    // Output trees below `root` that never replace `archive`; `fileSlotCount`
    // files may be queued at once, written by `threadCount` threads.
    FileWriterPool(const QString &root, const QFileDevice &archive, int fileSlotCount,
                   int threadCount);
    ~FileWriterPool(); // files still queued are dropped
    Q_DISABLE_COPY_MOVE(FileWriterPool)

    bool isFull() const { return queued - taken == qsizetype(fileSlots.size()); }
    bool isEmpty() const { return queued == taken; }

    // Queues `size` bytes of `bytes` from `from` as the file `name` in
    // `folder` (see OutputTree::start()); `bytes` is shared, not copied.
    void queue(const QStringList &folder, const QString &name, const QByteArray &bytes,
               qsizetype from, qsizetype size);

    // Waits for the oldest queued file. Its tree holds it written, not yet
    // in place, when `written` is true, or says why not. release() it after.
    OutputTree &oldest(bool &written);
    void release();

private:
    struct Slot
    {
        enum State { Free, Queued, Writing, Done } state = Free;
        std::unique_ptr<OutputTree> tree;
        QStringList folder;
        QString name;
        QByteArray bytes;
        qsizetype from = 0;
        qsizetype size = 0;
        bool written = false;
    };

    void work();
    Slot &slotOf(qsizetype position) { return fileSlots[size_t(position) % fileSlots.size()]; }

    std::vector<Slot> fileSlots;
    std::vector<std::thread> threads;
    std::mutex mutex;
    std::condition_variable queuedOrStopping; // wakes the threads
    std::condition_variable writtenOne;       // wakes the caller
    qsizetype queued = 0;                     // files queued so far; slotOf(i) holds the i-th
    qsizetype started = 0;                    // how many of them a thread has taken up
    qsizetype taken = 0;                      // how many the caller has taken back
    bool stopping = false;
};
