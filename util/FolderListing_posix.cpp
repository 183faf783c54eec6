// SPDX-License-Identifier: MIT
// Folder listing on POSIX systems: each folder is a descriptor, and a
// sub-folder is opened relative to it.
#include "FolderListing.h"

#include <QFile>

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

struct ListedFolder::Platform
{
    explicit Platform(DIR *opened) : dir(opened) {}
    ~Platform() { ::closedir(dir); }
    Q_DISABLE_COPY_MOVE(Platform)

    static ListedFolder openAt(int parent, const char *path, int &error);

    DIR *dir; // the folder's descriptor and its listing
};

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

ListedFolder::ListedFolder() = default;
ListedFolder::~ListedFolder() = default;

ListedFolder::ListedFolder(ListedFolder &&other) noexcept
    : platform(std::move(other.platform)), dev(other.dev), ino(other.ino)
{
}

ListedFolder &ListedFolder::operator=(ListedFolder &&other) noexcept
{
    std::swap(platform, other.platform);
    std::swap(dev, other.dev);
    std::swap(ino, other.ino);
    return *this;
}

bool ListedFolder::isOpen() const
{
    return platform != nullptr;
}

ListedFolder ListedFolder::Platform::openAt(int parent, const char *path, int &error)
{
    ListedFolder folder;
    // O_NONBLOCK: a FIFO put in a folder's place cannot make the open wait.
    const int fd = ::openat(parent, path, O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NONBLOCK);
    struct stat info;
    DIR *dir = nullptr;
    if (fd < 0 || ::fstat(fd, &info) != 0 || !(dir = ::fdopendir(fd))) {
        error = errno;
        if (fd >= 0)
            ::close(fd);
        return folder;
    }
    folder.platform = std::make_unique<Platform>(dir);
    folder.dev = info.st_dev;
    folder.ino = info.st_ino;
    return folder;
}

ListedFolder ListedFolder::open(const QString &path, int &error)
{
    return Platform::openAt(AT_FDCWD, QFile::encodeName(path).constData(), error);
}

ListedFolder ListedFolder::child(const QByteArray &name, int &error) const
{
    return Platform::openAt(dirfd(platform->dir), name.constData(), error);
}

bool ListedFolder::readNames(QList<QByteArray> &names, int &error) const
{
    ::rewinddir(platform->dir);
    for (;;) {
        errno = 0;
        const dirent *entry = ::readdir(platform->dir);
        if (!entry)
            break;
        names.append(QByteArray(entry->d_name));
    }
    error = errno; // readdir ends with errno untouched, or set when it failed
    return error == 0;
}

ListedFolder::Look ListedFolder::lookAt(ListedEntry &entry, int &error) const
{
    // stat, not lstat: links to files and folders are packed as what they
    // lead to, and a link to a FIFO is skipped like the FIFO itself.
    struct stat info;
    if (::fstatat(dirfd(platform->dir), entry.name.constData(), &info, 0) != 0) {
        const int lookError = errno;
        if (lookError == ENOENT || lookError == ELOOP)
            return Look::Gone;
        error = lookError;
        return Look::Failed;
    }
    entry.kind = kindOf(info.st_mode);
    entry.size = info.st_size;
    entry.device = info.st_dev;
    entry.inode = info.st_ino;
    return Look::Found;
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
