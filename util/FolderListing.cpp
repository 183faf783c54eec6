// SPDX-License-Identifier: MIT
#include "FolderListing.h"

#include <QFile>

#include <cerrno>
#include <utility>

#ifdef Q_OS_UNIX
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#else
#include <QDirIterator>
#include <QFileInfo>
#endif

ListedFolder::ListedFolder(ListedFolder &&other) noexcept
{
    *this = std::move(other);
}

#ifdef Q_OS_UNIX

namespace {

ListedEntry::Kind kindOf(mode_t mode)
{
    if (S_ISREG(mode))
        return ListedEntry::File;
    if (S_ISDIR(mode))
        return ListedEntry::Folder;
    return ListedEntry::Other;
}

} // namespace

ListedFolder::~ListedFolder()
{
    if (dir)
        ::closedir(dir);
}

ListedFolder &ListedFolder::operator=(ListedFolder &&other) noexcept
{
    std::swap(dir, other.dir);
    std::swap(dev, other.dev);
    std::swap(ino, other.ino);
    return *this;
}

bool ListedFolder::isOpen() const
{
    return dir != nullptr;
}

ListedFolder ListedFolder::openAt(int parent, const char *path, int &error)
{
    ListedFolder folder;
    // O_NONBLOCK: a FIFO put in a folder's place cannot make the open wait.
    const int fd = ::openat(parent, path, O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NONBLOCK);
    struct stat info;
    if (fd < 0 || ::fstat(fd, &info) != 0 || !(folder.dir = ::fdopendir(fd))) {
        error = errno;
        if (fd >= 0)
            ::close(fd);
        return folder;
    }
    folder.dev = info.st_dev;
    folder.ino = info.st_ino;
    return folder;
}

ListedFolder ListedFolder::open(const QString &path, int &error)
{
    return openAt(AT_FDCWD, QFile::encodeName(path).constData(), error);
}

ListedFolder ListedFolder::child(const QByteArray &name, int &error) const
{
    return openAt(dirfd(dir), name.constData(), error);
}

bool ListedFolder::list(QList<ListedEntry> &entries, int &error) const
{
    ::rewinddir(dir);
    bool listed = true;
    for (;;) {
        errno = 0;
        const dirent *entry = ::readdir(dir);
        if (!entry) {
            if (errno != 0) {
                error = errno;
                listed = false;
            }
            break;
        }
        if (entry->d_name[0] == '.')
            continue; // hidden, and "." and ".."
        // stat, not lstat: links to files and folders are packed as what
        // they lead to, and a link to a FIFO is skipped like the FIFO itself.
        struct stat info;
        if (::fstatat(dirfd(dir), entry->d_name, &info, 0) != 0) {
            if (errno == ENOENT || errno == ELOOP)
                continue;  // a link that leads nowhere, or to itself: nothing to pack
            error = errno; // the folder lets its entries be listed, not looked at
            listed = false;
            break;
        }
        ListedEntry listedEntry;
        listedEntry.name = QByteArray(entry->d_name);
        listedEntry.kind = kindOf(info.st_mode);
        listedEntry.size = info.st_size;
        listedEntry.device = info.st_dev;
        listedEntry.inode = info.st_ino;
        entries.append(listedEntry);
    }
    return listed;
}

bool fileIdentity(const QString &path, quint64 &device, quint64 &inode)
{
    struct stat info;
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return false;
    device = info.st_dev;
    inode = info.st_ino;
    return true;
}

#else // Not POSIX: what QDir can tell. A file's identity is its canonical path.

namespace {

quint64 pathIdentity(const QFileInfo &info)
{
    return qHash(info.canonicalFilePath().toLower());
}

} // namespace

ListedFolder::~ListedFolder() = default;

ListedFolder &ListedFolder::operator=(ListedFolder &&other) noexcept
{
    std::swap(path, other.path);
    std::swap(dev, other.dev);
    std::swap(ino, other.ino);
    return *this;
}

bool ListedFolder::isOpen() const
{
    return !path.isEmpty();
}

ListedFolder ListedFolder::open(const QString &folderPath, int &error)
{
    ListedFolder folder;
    const QFileInfo info(folderPath);
    if (!info.isDir()) {
        error = info.exists() ? ENOTDIR : ENOENT;
        return folder;
    }
    folder.path = info.absoluteFilePath();
    folder.ino = pathIdentity(info);
    return folder;
}

ListedFolder ListedFolder::child(const QByteArray &name, int &error) const
{
    return open(path + QLatin1Char('/') + QString::fromUtf8(name), error);
}

bool ListedFolder::list(QList<ListedEntry> &entries, int &error) const
{
    if (!QFileInfo(path).isReadable()) {
        error = EACCES;
        return false;
    }
    QDirIterator it(path, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot);
    while (it.hasNext()) {
        it.next();
        const QFileInfo info = it.fileInfo();
        ListedEntry entry;
        entry.name = info.fileName().toUtf8();
        entry.kind = info.isDir() ? ListedEntry::Folder : ListedEntry::File;
        entry.size = info.size();
        entry.inode = pathIdentity(info);
        entries.append(entry);
    }
    return true;
}

bool fileIdentity(const QString &path, quint64 &device, quint64 &inode)
{
    const QFileInfo info(path);
    if (!info.exists())
        return false;
    device = 0;
    inode = pathIdentity(info);
    return true;
}

#endif
