// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <memory>

// One entry of a folder as a pack sees it, links followed.
struct ListedEntry
{
    enum Kind { File, Folder, Other }; // Other: a FIFO, socket or device
    QByteArray name;                   // as stored on disk (UTF-8 where the system is right)
    Kind kind = Other;
    qint64 size = 0;
    quint64 device = 0; // with `inode`, tells whether two paths reach the same file
    quint64 inode = 0;
};

// An open folder to list, for a scan that goes down a tree. On POSIX systems
// (FolderListing_posix.cpp) it holds a descriptor and each sub-folder is
// opened relative to its parent, so a deep path (through many links) is never
// looked up again from the top. Elsewhere (FolderListing_qt.cpp) it goes
// through Qt by path: a file's identity is its canonical path, and a name the
// system's encoding cannot decode is not listed at all (Qt leaves it out).
class ListedFolder
{
public:
    ListedFolder();
    ~ListedFolder();
    ListedFolder(ListedFolder &&other) noexcept;
    ListedFolder &operator=(ListedFolder &&other) noexcept;
    ListedFolder(const ListedFolder &) = delete;
    ListedFolder &operator=(const ListedFolder &) = delete;

    // Opens the folder at `path`, or the sub-folder `name` of this one;
    // links are followed. On failure the result is not open and `error`
    // holds the system's error number (0 where the system gave none).
    static ListedFolder open(const QString &path, int &error);
    ListedFolder child(const QByteArray &name, int &error) const;

    bool isOpen() const;
    quint64 device() const { return dev; }
    quint64 inode() const { return ino; }

    // The visible entries (names starting with "." are hidden and left out),
    // links followed; an entry whose link leads nowhere is left out too.
    // False with `error` set when the folder cannot be listed or its entries
    // cannot be looked at (a folder without read or search permission): what
    // cannot be seen cannot be packed, and must not be dropped in silence.
    bool list(QList<ListedEntry> &entries, int &error) const;

private:
    // How looking at one listed name went.
    enum class Look { Found, Gone, Failed }; // Gone: a link that leads nowhere, or to itself

    // The steps, one implementation per platform.
    bool readNames(QList<QByteArray> &names, int &error) const;
    Look lookAt(ListedEntry &entry, int &error) const;

    struct Platform; // the open folder: its descriptor, or its path
    std::unique_ptr<Platform> platform;
    quint64 dev = 0;
    quint64 ino = 0;
};

// The identity of the file at `path` (links followed); false when there is none.
bool fileIdentity(const QString &path, quint64 &device, quint64 &inode);
