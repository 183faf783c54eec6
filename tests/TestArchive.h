#pragma once

// Helpers shared by the tests: archives built by hand (independent of the
// packer), small file utilities and a device that fails after N bytes.

#include <QByteArray>
#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QIODevice>
#include <QList>
#include <QMap>
#include <QPair>
#include <QtEndian>

namespace TestArchive {

using Entry = QPair<QByteArray, QByteArray>; // encoded name, contents

inline QByteArray int32(qint32 value)
{
    QByteArray bytes(4, '\0');
    qToLittleEndian<qint32>(value, bytes.data());
    return bytes;
}

inline void patchInt32(QByteArray &bytes, int offset, qint32 value)
{
    bytes.replace(offset, 4, int32(value));
}

inline QByteArray nameRecord(const QByteArray &name)
{
    return int32(name.size()) + name + QByteArray(4 - name.size() % 4, '\0');
}

// A well-formed archive, written straight from the layout.
inline QByteArray build(const QByteArray &themeName, const QList<Entry> &entries)
{
    const QByteArray block = nameRecord(themeName);
    const qint32 count = qint32(entries.size()) + 1;
    qint32 position = 16 + 4 + qint32(block.size()) + 4 + 8 * count;
    QList<qint32> nameOffsets, dataOffsets;
    QByteArray names;
    for (const Entry &entry : entries) {
        nameOffsets.append(position + qint32(names.size()));
        names += nameRecord(entry.first);
    }
    nameOffsets.append(position + qint32(names.size()));
    names += int32(0); // end record
    position += qint32(names.size());
    QByteArray data;
    for (const Entry &entry : entries) {
        dataOffsets.append(position + qint32(data.size()));
        data += entry.second;
    }
    dataOffsets.append(position + qint32(data.size()));

    QByteArray archive = QByteArray("VLMR") + int32(1) + int32(0) + int32(0);
    archive += int32(qint32(block.size())) + block + int32(8 * count);
    for (qint32 i = 0; i < count; ++i)
        archive += int32(nameOffsets[i]) + int32(dataOffsets[i]);
    return archive + names + data;
}

// The 105-byte worked example: theme demo, /a.png (10 bytes), /img/bg.jpg (3 bytes).
inline QByteArray demoArchive()
{
    return build("demo", {{"/a.png", "0123456789"}, {"/img/bg.jpg", "abc"}});
}

inline bool writeFile(const QString &path, const QByteArray &contents)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(contents) == contents.size();
}

inline QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

// Every file below `root` (hidden ones too) by relative path, with its contents.
inline QMap<QString, QByteArray> listTree(const QString &root)
{
    QMap<QString, QByteArray> tree;
    QDirIterator it(root, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        tree.insert(QDir(root).relativeFilePath(path), readFile(path));
    }
    return tree;
}

// Every entry below `root`, folders included.
inline QStringList listAll(const QString &root)
{
    QStringList all;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        all.append(QDir(root).relativeFilePath(it.next()));
    all.sort();
    return all;
}

// Every entry below `root`, links not followed, one line each: "d:path" for a
// folder, "f:path=contents" for a file, "l:path->target" for a link,
// "p:path" for anything else (a FIFO); sorted. Link targets are given
// relative to `root`.
inline QStringList describeTree(const QString &root)
{
    QStringList lines;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QFileInfo info = it.fileInfo();
        const QString relative = QDir(root).relativeFilePath(path);
        if (info.isSymLink())
            lines.append(QStringLiteral("l:%1->%2").arg(relative,
                                                        QDir(root).relativeFilePath(info.symLinkTarget())));
        else if (info.isDir())
            lines.append(QStringLiteral("d:") + relative);
        else if (info.isFile())
            lines.append(QStringLiteral("f:%1=%2").arg(relative, QString::fromUtf8(readFile(path))));
        else
            lines.append(QStringLiteral("p:") + relative);
    }
    lines.sort();
    return lines;
}

// A write-only device that accepts `capacity` bytes and then fails.
class FailDevice : public QIODevice
{
public:
    explicit FailDevice(qint64 capacity) : capacity(capacity) { open(QIODevice::WriteOnly); }
    QByteArray written;

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *data, qint64 length) override
    {
        const qint64 room = capacity - written.size();
        if (room <= 0)
            return -1;
        const qint64 taken = qMin(room, length);
        written.append(data, taken);
        return taken;
    }

private:
    qint64 capacity;
};

} // namespace TestArchive
