// SPDX-License-Identifier: MIT
// The output tree's steps on POSIX systems: every folder is opened relative
// to its parent's descriptor without following links, so nothing done to the
// tree meanwhile can lead a write elsewhere.
#include "OutputTree.h"

#include <QList>

#include <atomic>
#include <cerrno>
#include <cstdio> // renameat2() and RENAME_NOREPLACE, where the C library has them
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

struct OutputTree::Platform
{
    struct OpenFolder
    {
        QByteArray name;
        int fd;
    };

    Platform() = default;
    Q_DISABLE_COPY_MOVE(Platform)
    ~Platform()
    {
        for (const OpenFolder &folder : std::as_const(folders))
            ::close(folder.fd);
        if (rootFd >= 0)
            ::close(rootFd);
    }

    int currentFolder() const { return folders.isEmpty() ? rootFd : folders.last().fd; }
    static Found foundFor(mode_t mode);

    int rootFd = -1;
    QList<OpenFolder> folders; // the folders below the root leading to the current one
    QByteArray tempName; // of the started file, or of an unnamed one while it replaces an older
    int fileFd = -1;
    bool unnamed = false;   // the started file has no name yet (O_TMPFILE)
    bool noUnnamed = false; // the file system refused unnamed files: named temporaries then
    mode_t placeMode = 0;   // of what lookAtPlace() found
    bool hasProtected = false;
    quint64 protectedDevice = 0;
    quint64 protectedInode = 0;
};

OutputTree::Found OutputTree::Platform::foundFor(mode_t mode)
{
    if (S_ISLNK(mode))
        return OutputTree::Found::Link;
    if (S_ISDIR(mode))
        return OutputTree::Found::Folder;
    if (S_ISREG(mode))
        return OutputTree::Found::File;
    return OutputTree::Found::Special; // a FIFO, socket or device
}

namespace {

// Makes the folder `path` and every missing one above it, one mkdir at a
// time; 0, or the errno of the mkdir that failed (EACCES below a folder the
// user may not write, not the ENOENT of the folder that is then missing).
int makeFolders(const QByteArray &path)
{
    if (::mkdir(path.constData(), 0777) == 0 || errno == EEXIST)
        return 0;
    const int missing = errno;
    if (missing != ENOENT)
        return missing;
    qsizetype end = path.size();
    while (end > 1 && path.at(end - 1) == '/')
        --end;
    const qsizetype slash = path.lastIndexOf('/', end - 1);
    if (slash < 0) // a relative name whose folder, the current one, is gone
        return missing;
    const int error = makeFolders(path.left(qMax<qsizetype>(slash, 1)));
    if (error != 0)
        return error;
    return ::mkdir(path.constData(), 0777) == 0 || errno == EEXIST ? 0 : errno;
}

// Renames only when nothing is at the new name; false, with errno set, when
// something is or the system cannot tell (no renameat2 here).
bool renameIfFree(int folder, const char *from, const char *to)
{
#ifdef RENAME_NOREPLACE
    return ::renameat2(folder, from, folder, to, RENAME_NOREPLACE) == 0;
#else
    Q_UNUSED(folder);
    Q_UNUSED(from);
    Q_UNUSED(to);
    errno = ENOSYS;
    return false;
#endif
}

// Whether an unnamed file can always be linked in: through /proc/self/fd,
// which any user may do (linking it by its descriptor alone needs a
// privilege on older kernels). Without /proc, files get temporary names.
bool unnamedFilesLinkable()
{
    static const bool linkable = ::access("/proc/self/fd", X_OK) == 0;
    return linkable;
}

// Gives the unnamed file `fd` the name `name` in `folder`, never replacing
// anything there (EEXIST).
bool linkUnnamedFile(int fd, int folder, const char *name)
{
#ifdef AT_EMPTY_PATH
    static std::atomic<bool> byDescriptor{true}; // until the system refuses it
    if (byDescriptor.load(std::memory_order_relaxed)) {
        if (::linkat(fd, "", folder, name, AT_EMPTY_PATH) == 0)
            return true;
        if (errno != ENOENT && errno != EPERM)
            return false;
    }
#endif
    char path[40];
    std::snprintf(path, sizeof path, "/proc/self/fd/%d", fd);
    if (::linkat(AT_FDCWD, path, folder, name, AT_SYMLINK_FOLLOW) != 0)
        return false;
#ifdef AT_EMPTY_PATH
    byDescriptor.store(false, std::memory_order_relaxed);
#endif
    return true;
}

} // namespace

OutputTree::OutputTree(const QString &root) : rootPath(root), platform(std::make_unique<Platform>())
{
}

OutputTree::~OutputTree()
{
    discard();
}

void OutputTree::protect(const QFileDevice &device)
{
    struct stat info;
    if (device.handle() >= 0 && ::fstat(device.handle(), &info) == 0) {
        platform->hasProtected = true;
        platform->protectedDevice = info.st_dev;
        platform->protectedInode = info.st_ino;
    }
}

bool OutputTree::openRoot()
{
    if (platform->rootFd >= 0)
        return true;
    // The root is the folder the user chose: it may be a link, and it is
    // created when missing, as any unpack target is.
    const QByteArray path = QFile::encodeName(rootPath);
    const int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
    platform->rootFd = ::open(path.constData(), flags);
    if (platform->rootFd < 0 && errno == ENOENT) {
        if (const int error = makeFolders(path))
            return fail(Problem::System, error);
        platform->rootFd = ::open(path.constData(), flags);
    }
    return platform->rootFd >= 0 || fail(Problem::System, errno);
}

bool OutputTree::enterFolder(const QStringList &folder)
{
    // Entries come folder by folder, so the folders already open are mostly
    // the ones wanted: keep the common part, open the rest.
    QList<Platform::OpenFolder> &open = platform->folders;
    qsizetype common = 0;
    while (common < open.size() && common < folder.size()
           && open[common].name == QFile::encodeName(folder[common]))
        ++common;
    while (open.size() > common)
        ::close(open.takeLast().fd);

    for (qsizetype i = common; i < folder.size(); ++i) {
        const QByteArray name = QFile::encodeName(folder[i]);
        const int parent = platform->currentFolder();
        // O_NONBLOCK: even a FIFO put here meanwhile cannot make the open wait.
        const int flags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK;
        int fd = ::openat(parent, name.constData(), flags);
        if (fd < 0 && errno == ENOENT) {
            if (::mkdirat(parent, name.constData(), 0777) != 0 && errno != EEXIST)
                return fail(Problem::System, errno);
            fd = ::openat(parent, name.constData(), flags);
        }
        if (fd < 0) {
            const int error = errno;
            struct stat info;
            const bool looked =
                ::fstatat(parent, name.constData(), &info, AT_SYMLINK_NOFOLLOW) == 0;
            return failOnTheWay(looked ? Platform::foundFor(info.st_mode) : Found::Nothing, error,
                                rootPath + QLatin1Char('/')
                                    + folder.mid(0, i + 1).join(QLatin1Char('/')));
        }
        open.append({name, fd});
    }
    return true;
}

// On Linux the file is made without a name (O_TMPFILE) and named only when it
// is whole, so not even a killed run leaves a partial file under any name.
// Where the file system refuses that, it gets a temporary name of its own.
bool OutputTree::createTemporary()
{
    const int folder = platform->currentFolder();
#ifdef O_TMPFILE
    if (!platform->noUnnamed && unnamedFilesLinkable()) {
        const int fd = ::openat(folder, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
        if (fd >= 0) {
            platform->fileFd = fd;
            platform->unnamed = true;
            return true;
        }
        if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)
            return fail(Problem::System, errno);
        platform->noUnnamed = true;
    }
#endif
    int fd = -1;
    for (int attempt = 0; fd < 0 && attempt < 16; ++attempt) {
        platform->tempName = QFile::encodeName(temporaryName());
        fd = ::openat(folder, platform->tempName.constData(),
                      O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    if (fd < 0) {
        const int error = errno;
        platform->tempName.clear();
        return fail(Problem::System, error);
    }
    platform->fileFd = fd;
    return true;
}

QFileDevice *OutputTree::openDevice()
{
    errno = 0;
    if (!file.open(platform->fileFd, QIODevice::WriteOnly | QIODevice::Unbuffered,
                   QFileDevice::DontCloseHandle)) {
        const int error = errno;
        discard();
        fail(Problem::System, error);
        return nullptr;
    }
    return &file;
}

bool OutputTree::write(const char *data, qint64 size)
{
    while (size > 0) {
        const ssize_t written = ::write(platform->fileFd, data, size_t(size));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return fail(Problem::System, errno);
        }
        data += written;
        size -= written;
    }
    return true;
}

bool OutputTree::hasTemporary() const
{
    return platform->unnamed ? platform->fileFd >= 0 : !platform->tempName.isEmpty();
}

bool OutputTree::closeTemporary()
{
    if (file.isOpen())
        file.close();
    if (platform->unnamed)
        return true; // its descriptor is all there is of it until it is linked in
    // A delayed write error (network file systems) shows at the close.
    const int closed = ::close(platform->fileFd);
    platform->fileFd = -1;
    return closed == 0 || errno == EINTR || fail(Problem::System, errno);
}

// The unnamed file, whole now, gets `name` in the current folder; false,
// with errno set (EEXIST when something is there), when it cannot.
bool OutputTree::linkUnnamed(const QByteArray &name)
{
    if (!linkUnnamedFile(platform->fileFd, platform->currentFolder(), name.constData()))
        return false;
    ::close(platform->fileFd);
    platform->fileFd = -1;
    platform->unnamed = false;
    return true;
}

bool OutputTree::placeIfFree()
{
    const QByteArray name = QFile::encodeName(fileName);
    if (platform->unnamed)
        return linkUnnamed(name);
    if (!renameIfFree(platform->currentFolder(), platform->tempName.constData(), name.constData()))
        return false;
    platform->tempName.clear();
    return true;
}

OutputTree::Found OutputTree::lookAtPlace(bool &isProtected)
{
    struct stat info;
    if (::fstatat(platform->currentFolder(), QFile::encodeName(fileName).constData(), &info,
                  AT_SYMLINK_NOFOLLOW)
        != 0)
        return Found::Nothing; // or nothing to be seen: the rename then says why
    isProtected = platform->hasProtected && info.st_dev == platform->protectedDevice
                  && info.st_ino == platform->protectedInode;
    platform->placeMode = info.st_mode;
    return Platform::foundFor(info.st_mode);
}

bool OutputTree::olderFileWritable()
{
    return ::faccessat(platform->currentFolder(), QFile::encodeName(fileName).constData(), W_OK,
                       AT_EACCESS)
               == 0
           || fail(Problem::System, errno);
}

// An unnamed file that replaces an older one is named first under a
// temporary name (whole already), then renamed over the older file.
bool OutputTree::nameForReplacing()
{
    for (int attempt = 0; attempt < 16; ++attempt) {
        platform->tempName = QFile::encodeName(temporaryName());
        if (linkUnnamed(platform->tempName))
            return true;
        if (errno != EEXIST)
            break;
    }
    const int error = errno;
    platform->tempName.clear();
    return fail(Problem::System, error);
}

bool OutputTree::replaceAtPlace(Found found)
{
    const int folder = platform->currentFolder();
    // Set-user and set-group bits stay with the older contents.
    const mode_t mode = platform->placeMode & 0777;
    if (platform->unnamed) {
        if ((found == Found::File && ::fchmod(platform->fileFd, mode) != 0))
            return fail(Problem::System, errno);
        if (!nameForReplacing())
            return false;
    } else if (found == Found::File
               && ::fchmodat(folder, platform->tempName.constData(), mode, 0) != 0) {
        return fail(Problem::System, errno);
    }
    if (::renameat(folder, platform->tempName.constData(), folder,
                   QFile::encodeName(fileName).constData())
        != 0)
        return fail(Problem::System, errno);
    platform->tempName.clear();
    return true;
}

void OutputTree::removeTemporary()
{
    if (platform->fileFd >= 0) {
        ::close(platform->fileFd); // an unnamed file goes with its descriptor
        platform->fileFd = -1;
    }
    platform->unnamed = false;
    if (!platform->tempName.isEmpty()) {
        ::unlinkat(platform->currentFolder(), platform->tempName.constData(), 0);
        platform->tempName.clear();
    }
}
