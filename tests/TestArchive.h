// SPDX-License-Identifier: MIT
#pragma once

// Helpers shared by the tests: archives built by hand (independent of the
// packer), small file utilities, and limits a test puts on the process.

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

#ifdef Q_OS_UNIX
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <ftw.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#endif
#ifdef Q_OS_LINUX
#include <linux/capability.h>
#include <sys/syscall.h>
#endif

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
            lines.append(QStringLiteral("l:%1->%2")
                             .arg(relative, QDir(root).relativeFilePath(info.symLinkTarget())));
        else if (info.isDir())
            lines.append(QStringLiteral("d:") + relative);
        else if (info.isFile())
            lines.append(
                QStringLiteral("f:%1=%2").arg(relative, QString::fromUtf8(readFile(path))));
        else
            lines.append(QStringLiteral("p:") + relative);
    }
    lines.sort();
    return lines;
}

#ifdef Q_OS_UNIX
// Makes one thing below `root`, as a test plants it before a run:
// "d:path" a folder, "f:path=text" a file, "s:path=bytes" a sparse file of
// that size, "l:path->target" a symbolic link, "h:path->target" a hard link
// (target relative to the link's folder), "p:path" a FIFO, "m:path=0700"
// the permissions of what is there. Paths are bytes, so they may be names
// that are not UTF-8. Parent folders are made as needed.
inline bool plant(const QByteArray &root, const QByteArray &instruction)
{
    const char kind = instruction.at(0);
    QByteArray rest = instruction.mid(2);
    QByteArray value;
    for (const QByteArray &separator : {QByteArray("->"), QByteArray("=")}) {
        const qsizetype at = rest.indexOf(separator);
        if (at >= 0) {
            value = rest.mid(at + separator.size());
            rest.truncate(at);
            break;
        }
    }
    const QByteArray path = root + '/' + rest;
    const QByteArray parent = path.left(path.lastIndexOf('/'));
    // Folders and files are made byte for byte: names need not be UTF-8.
    const auto makeFolders = [](const QByteArray &folder) {
        for (qsizetype slash = folder.indexOf('/', 1);; slash = folder.indexOf('/', slash + 1)) {
            const QByteArray part = slash < 0 ? folder : folder.left(slash);
            if (::mkdir(part.constData(), 0777) != 0 && errno != EEXIST)
                return false;
            if (slash < 0)
                return true;
        }
    };
    if (!makeFolders(parent))
        return false;
    switch (kind) {
    case 'd': return makeFolders(path);
    case 'f':
    case 's': {
        const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
        const bool made =
            fd >= 0
            && (kind == 'f' ? ::write(fd, value.constData(), size_t(value.size())) == value.size()
                            : ::ftruncate(fd, value.toLongLong()) == 0);
        return fd >= 0 && ::close(fd) == 0 && made;
    }
    case 'l': return ::symlink(value.constData(), path.constData()) == 0;
    case 'h': return ::link((parent + '/' + value).constData(), path.constData()) == 0;
    case 'p': return ::mkfifo(path.constData(), 0600) == 0;
    case 'm': return ::chmod(path.constData(), mode_t(value.toUInt(nullptr, 8))) == 0;
    }
    return false;
}

// Removes `root` and everything below it, also names that are not UTF-8
// (which QDir cannot name) and folders without permissions.
inline void removeTree(const QString &root)
{
    const auto remove = [](const char *path, const struct stat *, int type, struct FTW *) {
        if (type == FTW_DP)
            return ::rmdir(path) == 0 ? 0 : 0;
        return ::unlink(path) == 0 ? 0 : 0;
    };
    const auto open = [](const char *path, const struct stat *info, int type, struct FTW *) {
        if (type == FTW_D || type == FTW_DNR)
            ::chmod(path, info->st_mode | S_IRWXU);
        return 0;
    };
    ::nftw(QFile::encodeName(root).constData(), open, 16, FTW_PHYS);
    ::nftw(QFile::encodeName(root).constData(), remove, 16, FTW_DEPTH | FTW_PHYS);
}
#endif

// While it lives, the calling thread (and threads it starts) is held to file
// permissions even when it runs as root, as CI does: root may read any
// folder, so a locked folder is only locked once these capabilities are put
// aside. Without them (an ordinary user) there is nothing to put aside.
class FilePermissionsEnforced
{
public:
    FilePermissionsEnforced()
    {
#ifdef Q_OS_LINUX
        if (::syscall(SYS_capget, &header, saved) != 0)
            return;
        __user_cap_data_struct reduced[2] = {saved[0], saved[1]};
        for (const int capability : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH, CAP_FOWNER})
            reduced[capability / 32].effective &= ~(1u << (capability % 32));
        active = ::syscall(SYS_capset, &header, reduced) == 0;
#endif
    }
    ~FilePermissionsEnforced()
    {
#ifdef Q_OS_LINUX
        if (active)
            ::syscall(SYS_capset, &header, saved);
#endif
    }
    FilePermissionsEnforced(const FilePermissionsEnforced &) = delete;
    FilePermissionsEnforced &operator=(const FilePermissionsEnforced &) = delete;

private:
#ifdef Q_OS_LINUX
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct saved[2] = {};
    bool active = false;
#endif
};

#ifdef Q_OS_UNIX
// While it lives, files this process writes may not grow past `bytes`: a
// write past the limit fails with EFBIG ("File too large"), as on a full
// disk, instead of the signal killing the process.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(qint64 bytes)
    {
        ::getrlimit(RLIMIT_FSIZE, &before);
        rlimit limited = before;
        limited.rlim_cur = rlim_t(bytes);
        oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        ::setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &before);
        std::signal(SIGXFSZ, oldHandler);
    }
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;

private:
    rlimit before = {};
    void (*oldHandler)(int) = nullptr;
};
#endif

} // namespace TestArchive
