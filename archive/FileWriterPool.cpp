// SPDX-License-Identifier: MIT
#include "FileWriterPool.h"

#include <QFileDevice>

FileWriterPool::FileWriterPool(const QString &root, const QFileDevice &archive, int fileSlotCount,
                               int threadCount)
    : fileSlots(size_t(qMax(1, fileSlotCount)))
{
    for (Slot &slot : fileSlots) {
        slot.tree = std::make_unique<OutputTree>(root);
        slot.tree->protect(archive);
    }
    for (int i = 0; i < qMax(1, threadCount); ++i)
        threads.emplace_back([this] { work(); });
}

FileWriterPool::~FileWriterPool()
{
    {
        const std::lock_guard<std::mutex> lock(mutex);
        stopping = true;
    }
    queuedOrStopping.notify_all();
    for (std::thread &thread : threads)
        thread.join();
    // The trees, destroyed now, drop the files still started in them.
}

void FileWriterPool::queue(const QStringList &folder, const QString &name, const QByteArray &bytes,
                           qsizetype from, qsizetype size)
{
    {
        const std::lock_guard<std::mutex> lock(mutex);
        Slot &slot = slotOf(queued++);
        slot.state = Slot::Queued;
        slot.folder = folder;
        slot.name = name;
        slot.bytes = bytes;
        slot.from = from;
        slot.size = size;
    }
    queuedOrStopping.notify_one();
}

OutputTree &FileWriterPool::oldest(bool &written)
{
    std::unique_lock<std::mutex> lock(mutex);
    Slot &slot = slotOf(taken);
    writtenOne.wait(lock, [&slot] { return slot.state == Slot::Done; });
    written = slot.written;
    return *slot.tree;
}

void FileWriterPool::release()
{
    const std::lock_guard<std::mutex> lock(mutex);
    Slot &slot = slotOf(taken++);
    slot.state = Slot::Free;
    slot.bytes = QByteArray(); // the archive's window it shared can go
}

// A thread takes up the queued files in order; the slot's tree is its own
// until the file is written, then the caller's until it releases the slot.
void FileWriterPool::work()
{
    std::unique_lock<std::mutex> lock(mutex);
    for (;;) {
        queuedOrStopping.wait(lock, [this] { return stopping || started < queued; });
        if (stopping)
            return;
        Slot &slot = slotOf(started++);
        slot.state = Slot::Writing;
        lock.unlock();
        OutputTree &tree = *slot.tree;
        bool written = tree.start(slot.folder, slot.name);
        if (written && !tree.write(slot.bytes.constData() + slot.from, slot.size)) {
            tree.discard(); // the tree still tells why
            written = false;
        }
        lock.lock();
        slot.written = written;
        slot.state = Slot::Done;
        writtenOne.notify_all();
    }
}
