// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#ifdef Q_OS_UNIX
#include <dirent.h>
#endif

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
// it holds a descriptor and each sub-folder is opened relative to its parent,
// so a deep path (through many links) is never looked up again from the top.
class ListedFolder
{
public:
    ListedFolder() = default;
    ~ListedFolder();
    ListedFolder(ListedFolder &&other) noexcept;
    ListedFolder &operator=(ListedFolder &&other) noexcept;
    ListedFolder(const ListedFolder &) = delete;
    ListedFolder &operator=(const ListedFolder &) = delete;

    // Opens the folder at `path`, or the sub-folder `name` of this one;
    // links are followed. On failure the result is not open and `error`
    // holds the system's error number.
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
#ifdef Q_OS_UNIX
    static ListedFolder openAt(int parent, const char *path, int &error);
    DIR *dir = nullptr; // the folder's descriptor and its listing
#else
    QString path;
#endif
    quint64 dev = 0;
    quint64 ino = 0;
};

// The identity of the file at `path` (links followed); false when there is none.
bool fileIdentity(const QString &path, quint64 &device, quint64 &inode);
