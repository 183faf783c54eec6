// SPDX-License-Identifier: MIT
#include "OutputTree.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstdio> // renameat2() and RENAME_NOREPLACE, where the C library has them
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#else
#include <QSaveFile>
#endif

OutputTree::OutputTree(const QString &root) : rootPath(root) {}

bool OutputTree::fail(Problem problem, int error)
{
    lastProblem = problem;
    lastErrno = error;
    return false;
}

#ifdef Q_OS_UNIX

namespace {

// A name no resource is likely to have, so it is created fresh (O_EXCL) at
// the first try; the leading dot keeps it out of listings.
QByteArray temporaryName()
{
    return QByteArrayLiteral(".velmoro-")
           + QByteArray::number(QRandomGenerator::global()->generate64(), 36);
}

bool isSpecial(mode_t mode)
{
    return S_ISFIFO(mode) || S_ISSOCK(mode) || S_ISCHR(mode) || S_ISBLK(mode);
}

} // namespace

OutputTree::~OutputTree()
{
    discard();
    for (const OpenFolder &folder : std::as_const(folders))
        ::close(folder.fd);
    if (rootFd >= 0)
        ::close(rootFd);
}

void OutputTree::protect(const QFileDevice &device)
{
    struct stat info;
    if (device.handle() >= 0 && ::fstat(device.handle(), &info) == 0) {
        hasProtected = true;
        protectedDevice = info.st_dev;
        protectedInode = info.st_ino;
    }
}

bool OutputTree::openRoot()
{
    if (rootFd >= 0)
        return true;
    // The root is the folder the user chose: it may be a link, and it is
    // created when missing, as any unpack target is.
    QDir().mkpath(rootPath);
    rootFd = ::open(QFile::encodeName(rootPath).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    return rootFd >= 0 || fail(Problem::System, errno);
}

int OutputTree::currentFolder() const
{
    return folders.isEmpty() ? rootFd : folders.last().fd;
}

bool OutputTree::enterFolder(const QStringList &folder)
{
    // Entries come folder by folder, so the folders already open are mostly
    // the ones wanted: keep the common part, open the rest.
    qsizetype common = 0;
    while (common < folders.size() && common < folder.size()
           && folders[common].name == QFile::encodeName(folder[common]))
        ++common;
    while (folders.size() > common)
        ::close(folders.takeLast().fd);

    for (qsizetype i = common; i < folder.size(); ++i) {
        const QByteArray name = QFile::encodeName(folder[i]);
        const int parent = currentFolder();
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
            if (::fstatat(parent, name.constData(), &info, AT_SYMLINK_NOFOLLOW) == 0) {
                if (S_ISLNK(info.st_mode))
                    return fail(Problem::LinkInWay);
                if (!S_ISDIR(info.st_mode))
                    return fail(Problem::NotAFolder);
            }
            return fail(Problem::System, error);
        }
        folders.append({name, fd});
    }
    return true;
}

QFileDevice *OutputTree::begin(const QStringList &folder, const QString &name)
{
    return start(folder, name) ? openDevice() : nullptr;
}

bool OutputTree::makeFolder(const QStringList &folder)
{
    discard();
    lastProblem = Problem::None;
    lastErrno = 0;
    return openRoot() && enterFolder(folder);
}

bool OutputTree::start(const QStringList &folder, const QString &name)
{
    if (!makeFolder(folder))
        return false;
    int fd = -1;
    for (int attempt = 0; fd < 0 && attempt < 16; ++attempt) {
        tempName = temporaryName();
        fd = ::openat(currentFolder(), tempName.constData(),
                      O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    if (fd < 0) {
        tempName.clear();
        return fail(Problem::System, errno);
    }
    fileName = name;
    fileFd = fd;
    return true;
}

QFileDevice *OutputTree::openDevice()
{
    if (!file.open(fileFd, QIODevice::WriteOnly | QIODevice::Unbuffered,
                   QFileDevice::DontCloseHandle)) {
        discard();
        fail(Problem::System, EBADF);
        return nullptr;
    }
    return &file;
}

bool OutputTree::write(const char *data, qint64 size)
{
    while (size > 0) {
        const ssize_t written = ::write(fileFd, data, size_t(size));
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

bool OutputTree::commit()
{
    if (tempName.isEmpty())
        return false;
    const int folder = currentFolder();
    const QByteArray name = QFile::encodeName(fileName);
    if (file.isOpen())
        file.close();
    const int closed = ::close(fileFd); // a delayed write error (network file systems) shows here
    fileFd = -1;
    if (closed != 0 && errno != EINTR) {
        const int error = errno;
        discard();
        return fail(Problem::System, error);
    }

#ifdef RENAME_NOREPLACE
    // Mostly nothing is there yet (a fresh unpack): then the rename alone
    // puts the file in place, and nothing can have slipped in meanwhile.
    if (::renameat2(folder, tempName.constData(), folder, name.constData(), RENAME_NOREPLACE)
        == 0) {
        tempName.clear();
        return true;
    }
#endif
    // What is at the file's place now: a folder or a special file stays,
    // and so does the protected file; a link or an older file is replaced.
    struct stat info;
    if (::fstatat(folder, name.constData(), &info, AT_SYMLINK_NOFOLLOW) == 0) {
        Problem problem = Problem::None;
        if (hasProtected && info.st_dev == protectedDevice && info.st_ino == protectedInode)
            problem = Problem::Protected;
        else if (S_ISDIR(info.st_mode))
            problem = Problem::System;
        else if (isSpecial(info.st_mode))
            problem = Problem::SpecialFile;
        if (problem != Problem::None) {
            discard();
            return fail(problem, problem == Problem::System ? EISDIR : 0);
        }
    }
    if (::renameat(folder, tempName.constData(), folder, name.constData()) != 0) {
        const int error = errno;
        discard();
        return fail(Problem::System, error);
    }
    tempName.clear();
    return true;
}

void OutputTree::discard()
{
    if (file.isOpen())
        file.close();
    if (fileFd >= 0) {
        ::close(fileFd);
        fileFd = -1;
    }
    if (!tempName.isEmpty()) {
        ::unlinkat(currentFolder(), tempName.constData(), 0);
        tempName.clear();
    }
}

#else // Not POSIX: the same steps through Qt, checked by path.

OutputTree::~OutputTree()
{
    discard();
}

void OutputTree::protect(const QFileDevice &device)
{
    protectedPath = QFileInfo(device.fileName()).canonicalFilePath();
}

bool OutputTree::openRoot()
{
    return QDir().mkpath(rootPath) || fail(Problem::System, 0);
}

bool OutputTree::enterFolder(const QStringList &folder)
{
    QString path = rootPath;
    for (const QString &name : folder) {
        path += QLatin1Char('/') + name;
        const QFileInfo info(path);
        if (info.isSymLink() || info.isJunction())
            return fail(Problem::LinkInWay);
        if (info.exists() && !info.isDir())
            return fail(Problem::NotAFolder);
        if (!info.exists() && !QDir().mkdir(path))
            return fail(Problem::System, 0);
    }
    folderPath = path;
    return true;
}

int OutputTree::currentFolder() const
{
    return 0;
}

QFileDevice *OutputTree::begin(const QStringList &folder, const QString &name)
{
    return start(folder, name) ? openDevice() : nullptr;
}

bool OutputTree::makeFolder(const QStringList &folder)
{
    discard();
    lastProblem = Problem::None;
    lastErrno = 0;
    return openRoot() && enterFolder(folder);
}

bool OutputTree::start(const QStringList &folder, const QString &name)
{
    if (!makeFolder(folder))
        return false;
    fileName = name;
    tempPath = folderPath + QStringLiteral("/.velmoro-")
               + QString::number(QRandomGenerator::global()->generate64(), 36);
    file.setFileName(tempPath);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        tempPath.clear();
        return fail(Problem::System, 0);
    }
    return true;
}

QFileDevice *OutputTree::openDevice()
{
    return &file; // opened by start()
}

bool OutputTree::write(const char *data, qint64 size)
{
    return file.write(data, size) == size || fail(Problem::System, 0);
}

bool OutputTree::commit()
{
    if (tempPath.isEmpty())
        return false;
    file.close();
    const QString target = folderPath + QLatin1Char('/') + fileName;
    const QFileInfo info(target);
    Problem problem = Problem::None;
    if (!protectedPath.isEmpty() && info.canonicalFilePath() == protectedPath)
        problem = Problem::Protected;
    else if (info.isDir() && !info.isSymLink())
        problem = Problem::NotAFolder;
    else if (info.exists() && !info.isFile() && !info.isSymLink())
        problem = Problem::SpecialFile;
    if (problem != Problem::None || ((info.exists() || info.isSymLink()) && !QFile::remove(target))
        || !QFile::rename(tempPath, target)) {
        discard();
        return fail(problem == Problem::None ? Problem::System : problem);
    }
    tempPath.clear();
    return true;
}

void OutputTree::discard()
{
    if (file.isOpen())
        file.close();
    if (!tempPath.isEmpty()) {
        QFile::remove(tempPath);
        tempPath.clear();
    }
}

#endif
