// SPDX-License-Identifier: MIT
// The output tree's steps through Qt, by path, for systems without the POSIX
// calls (and for any build with VELMORO_PORTABLE_FILES). Each step looks at
// what is there just before it acts; something swapped in between the look
// and the act is the one thing by-path code cannot rule out.
#include "OutputTree.h"
#include "PathLook_qt.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>

struct OutputTree::Platform
{
    bool rootMade = false;
    QString folderPath;    // the current folder
    QString protectedPath; // canonical path of the protected file
    QString tempPath;

    static Found foundFor(PathLook::Kind kind);
};

OutputTree::Found OutputTree::Platform::foundFor(PathLook::Kind kind)
{
    switch (kind) {
    case PathLook::Folder: return OutputTree::Found::Folder;
    case PathLook::File: return OutputTree::Found::File;
    case PathLook::Link: return OutputTree::Found::Link;
    case PathLook::Special: return OutputTree::Found::Special;
    case PathLook::Missing:
    case PathLook::Unseen: break;
    }
    return OutputTree::Found::Nothing;
}

OutputTree::OutputTree(const QString &root) : rootPath(root), platform(std::make_unique<Platform>())
{
}

OutputTree::~OutputTree()
{
    discard();
}

void OutputTree::protect(const QFileDevice &device)
{
    platform->protectedPath = QFileInfo(device.fileName()).canonicalFilePath();
}

bool OutputTree::openRoot()
{
    if (platform->rootMade)
        return true;
    // The root is the folder the user chose: it may be a link, and it is
    // created when missing, as any unpack target is.
    errno = 0;
    if (!QDir().mkpath(rootPath))
        return fail(Problem::System, errno);
    platform->rootMade = true;
    return true;
}

bool OutputTree::enterFolder(const QStringList &folder)
{
    QString path = rootPath;
    for (const QString &name : folder) {
        path += QLatin1Char('/') + name;
        const PathLook look = lookAtPath(path, PathLook::Links::NotFollowed);
        if (look.kind == PathLook::Folder)
            continue;
        if (look.kind != PathLook::Missing)
            return failOnTheWay(Platform::foundFor(look.kind), look.error, path);
        errno = 0;
        if (!QDir().mkdir(path))
            return fail(Problem::System, errno);
    }
    platform->folderPath = path;
    return true;
}

bool OutputTree::createTemporary()
{
    int error = 0;
    for (int attempt = 0; attempt < 16; ++attempt) {
        platform->tempPath = platform->folderPath + QLatin1Char('/') + temporaryName();
        file.setFileName(platform->tempPath);
        errno = 0;
        // Unbuffered: a write that fails says so at once, not at a close
        // that reports nothing.
        if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered))
            return true;
        error = errno;
        if (error != EEXIST)
            break;
    }
    platform->tempPath.clear();
    return fail(Problem::System, error);
}

QFileDevice *OutputTree::openDevice()
{
    return &file; // opened by createTemporary()
}

bool OutputTree::write(const char *data, qint64 size)
{
    errno = 0;
    return file.write(data, size) == size || fail(Problem::System, errno);
}

bool OutputTree::hasTemporary() const
{
    return !platform->tempPath.isEmpty();
}

bool OutputTree::closeTemporary()
{
    errno = 0;
    file.close(); // a delayed write error (network file systems) stays as the device's error
    return file.error() == QFileDevice::NoError || fail(Problem::System, errno);
}

bool OutputTree::placeIfFree()
{
    return false; // Qt has no rename that refuses an existing name: look first
}

OutputTree::Found OutputTree::lookAtPlace(bool &isProtected)
{
    const PathLook look = lookAtPath(platform->folderPath + QLatin1Char('/') + fileName,
                                     PathLook::Links::NotFollowed);
    isProtected = look.kind == PathLook::File && !platform->protectedPath.isEmpty()
                  && look.info.canonicalFilePath() == platform->protectedPath;
    return Platform::foundFor(look.kind);
}

bool OutputTree::olderFileWritable()
{
    // Opened for appending and closed again, so the system says why it may not.
    QFile older(platform->folderPath + QLatin1Char('/') + fileName);
    errno = 0;
    return older.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::ExistingOnly)
           || fail(Problem::System, errno);
}

bool OutputTree::replaceAtPlace(Found found)
{
    const QString target = platform->folderPath + QLatin1Char('/') + fileName;
    errno = 0;
    if (found == Found::File
        && !QFile::setPermissions(platform->tempPath, QFile::permissions(target)))
        return fail(Problem::System, errno);
    const auto renameTemporary = [this, &target] {
        errno = 0;
        if (!QFile::rename(platform->tempPath, target))
            return fail(Problem::System, errno);
        platform->tempPath.clear();
        return true;
    };
    errno = 0;
    // A link goes first: Qt's rename would refuse its name, or write through it.
    if (found == Found::Link && !QFile::remove(target))
        return fail(Problem::System, errno);
    if (found != Found::File)
        return renameTemporary();

    // Qt cannot rename over a file: the older copy steps aside and comes
    // back when the new one cannot take its name, so it is never lost.
    const QString aside = platform->folderPath + QLatin1Char('/') + temporaryName();
    if (!QFile::rename(target, aside))
        return fail(Problem::System, errno);
    if (!renameTemporary()) {
        QFile::rename(aside, target);
        return false;
    }
    QFile::remove(aside);
    return true;
}

void OutputTree::removeTemporary()
{
    if (!platform->tempPath.isEmpty()) {
        QFile::remove(platform->tempPath);
        platform->tempPath.clear();
    }
}
