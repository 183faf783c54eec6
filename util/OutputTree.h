// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QString>
#include <QStringList>

#include <memory>

// Writes files below one folder, the root, for an unpack. The root itself may
// be a link (the user chose it), but nothing below it is followed: a folder
// on the way that is a link, or no folder at all, makes that one file fail,
// and a link, FIFO or device already at a file's place is never written
// through. Each file is written without a name (Linux: O_TMPFILE) or, where
// the file system refuses that, under a temporary name in its own folder, and
// put in place only when complete, so a failed, cancelled or killed write
// leaves the older copy (if any) as it was and no partial file. An unnamed
// file that replaces an older one takes a temporary name, whole already, for
// the rename over it. An older file
// that may not be written (write-protected) is not replaced, and one that is
// replaced hands its permissions on to the new one.
//
// The rules are in OutputTree.cpp; the file-system steps come in two
// implementations. On POSIX systems (OutputTree_posix.cpp) every folder is
// opened relative to its parent's descriptor without following links
// (openat, O_NOFOLLOW), so nothing done to the tree meanwhile can lead a write
// elsewhere. Elsewhere (OutputTree_qt.cpp) the same steps go through Qt by
// path, each checked just before it is taken.
class OutputTree
{
public:
    // Why the last begin() or commit() failed.
    enum class Problem {
        None,
        System,      // the system refused; systemError() holds its errno
        LinkInWay,   // a folder on the way, or the place of a file, is a link we will not follow
        NotAFolder,  // something on the way is not a folder
        SpecialFile, // a FIFO, socket or device sits at the file's place
        Protected,   // the file's place holds the protected file (see protect())
    };

    explicit OutputTree(const QString &root);
    ~OutputTree();
    Q_DISABLE_COPY_MOVE(OutputTree)

    // The file at `path` (an open device) must never be replaced, whatever
    // the name that would reach it, e.g. the archive being unpacked.
    void protect(const QFileDevice &file);

    // Makes `folder` (components below the root) and every folder on the
    // way, as begin() would; false (see problem()) when it cannot.
    bool makeFolder(const QStringList &folder);

    // Starts the file `name` in `folder` (components below the root; the
    // root and every folder on the way are created as needed). Returns the
    // device to write its contents to, or null (see problem()). The device
    // stays valid until commit() or discard().
    QFileDevice *begin(const QStringList &folder, const QString &name);

    // Like begin(), for contents written with write() alone: no device is
    // set up, which for a small file costs as much as writing it.
    bool start(const QStringList &folder, const QString &name);

    // Appends to the started file; false, with systemError() set, when the
    // system refuses (a full disk).
    bool write(const char *data, qint64 size);

    // Puts the started file in place, replacing an older file (or a link) of
    // that name. False, with the temporary file removed, when it cannot.
    bool commit();

    // Drops the started file; an older file of that name stays as it was.
    void discard();

    Problem problem() const { return lastProblem; }
    int systemError() const { return lastErrno; }
    // What stood in the way (LinkInWay, NotAFolder): the path of the link or
    // file found where a folder had to be; empty for other problems.
    const QString &problemPath() const { return blockedPath; }

private:
    // What stands at a name below the root, links not followed.
    enum class Found { Nothing, Folder, File, Link, Special };

    // The state of one implementation: open descriptors, or paths.
    struct Platform;

    // The rules, the same for both implementations (OutputTree.cpp).
    bool fail(Problem problem, int error = 0);
    bool failOnTheWay(Found found, int error, const QString &path);
    bool putInPlace();
    static QString temporaryName();

    // The steps, one implementation per platform. Each returns false with
    // fail() called, the errno taken from the call that failed.
    bool openRoot();
    bool enterFolder(const QStringList &folder);
    bool createTemporary();
    QFileDevice *openDevice();
    bool hasTemporary() const;
    bool linkUnnamed(const QByteArray &name); // POSIX: names the unnamed file
    bool nameForReplacing();                  // POSIX: gives it a temporary name
    bool closeTemporary();
    bool placeIfFree();                   // false when something is there, or it cannot tell
    Found lookAtPlace(bool &isProtected); // what is at the file's place now
    bool olderFileWritable();             // the older file at the place may be written
    bool replaceAtPlace(Found found);     // an older file's permissions go to the new one
    void removeTemporary();

    QString rootPath;
    QFile file;       // the started file, on its temporary name
    QString fileName; // its final name
    Problem lastProblem = Problem::None;
    int lastErrno = 0;
    QString blockedPath;
    std::unique_ptr<Platform> platform;
};
