// SPDX-License-Identifier: MIT
// Folder listing through Qt, by path, for systems without the POSIX calls
// (and for any build with VELMORO_PORTABLE_FILES). A file's identity is its
// canonical path; Qt leaves out names it cannot decode.
#include "FolderListing.h"
#include "PathLook_qt.h"

#include <QDirIterator>

#include <cerrno>

struct ListedFolder::Platform
{
    QString path;            // absolute
    QString canonical;       // with links resolved: the start of its files' identities
    QList<QByteArray> names; // as listed when it was opened
};

namespace {

quint64 pathIdentity(const QString &canonicalPath)
{
    return qHash(canonicalPath.toLower());
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

ListedFolder ListedFolder::open(const QString &folderPath, int &error)
{
    ListedFolder folder;
    // Qt lists the folder as it is made and tells no failure; the errno of
    // opening it for listing (EACCES, ENOTDIR) is what is left right after.
    errno = 0;
    QDirIterator it(folderPath,
                    QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    const int listError = errno;
    const PathLook look = lookAtPath(folderPath, PathLook::Links::Followed);
    if (listError != 0 || look.kind != PathLook::Folder) {
        error = listError != 0 ? listError : look.error;
        return folder;
    }
    folder.platform = std::make_unique<Platform>();
    folder.platform->path = look.info.absoluteFilePath();
    folder.platform->canonical = look.info.canonicalFilePath();
    while (it.hasNext()) {
        it.next();
        folder.platform->names.append(it.fileName().toUtf8());
    }
    folder.ino = pathIdentity(folder.platform->canonical);
    return folder;
}

ListedFolder ListedFolder::child(const QByteArray &name, int &error) const
{
    return open(platform->path + QLatin1Char('/') + QString::fromUtf8(name), error);
}

bool ListedFolder::readNames(QList<QByteArray> &names, int &) const
{
    names = platform->names;
    return true;
}

ListedFolder::Look ListedFolder::lookAt(ListedEntry &entry, int &error) const
{
    const QString name = QString::fromUtf8(entry.name);
    const PathLook look =
        lookAtPath(platform->path + QLatin1Char('/') + name, PathLook::Links::Followed);
    switch (look.kind) {
    case PathLook::File:
        entry.kind = ListedEntry::File;
        entry.size = look.info.size();
        break;
    case PathLook::Folder: entry.kind = ListedEntry::Folder; break;
    case PathLook::Special:
    case PathLook::Link: entry.kind = ListedEntry::Other; break;
    case PathLook::Missing: return Look::Gone;
    case PathLook::Unseen:
        if (look.error == ELOOP)
            return Look::Gone;
        error = look.error;
        return Look::Failed;
    }
    const bool isLink = look.info.isSymLink() || look.info.isJunction();
    entry.inode = pathIdentity(isLink ? look.info.canonicalFilePath()
                                      : platform->canonical + QLatin1Char('/') + name);
    return Look::Found;
}

bool fileIdentity(const QString &path, quint64 &device, quint64 &inode)
{
    const QFileInfo info(path);
    if (!info.exists())
        return false;
    device = 0;
    inode = pathIdentity(info.canonicalFilePath());
    return true;
}
