// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QStringList>

// One change to the resources of an archive. An edit applies a list of them
// in order, as they would be made to the unpacked folder, and writes what a
// pack of that folder would write. Paths are below the theme folder, "/"
// between folders ("img/bg.png"; a leading "/" is allowed).
struct ArchiveChange
{
    enum class Kind {
        Add,    // the file `source` becomes the resource `path` (replacing one of that
                // path), or the files of the folder `source` go below the folder `path`
                // ("" the theme folder itself), as a pack of that folder would take them
        Remove, // the resources and folders `names` go
        Rename, // the resource or folder `path` is renamed to `newPath`
    };
    Kind kind = Kind::Add;
    QString source;         // Add: the file or folder on disk
    QString path;           // Add: where it goes; Rename: what is renamed
    QString newPath;        // Rename
    QStringList names;      // Remove
    bool wildcards = false; // Remove: names hold the wildcards of extract (see NameMatcher)

    static ArchiveChange add(const QString &source, const QString &path)
    {
        ArchiveChange change;
        change.source = source;
        change.path = path;
        return change;
    }
    static ArchiveChange remove(const QStringList &names, bool wildcards)
    {
        ArchiveChange change;
        change.kind = Kind::Remove;
        change.names = names;
        change.wildcards = wildcards;
        return change;
    }
    static ArchiveChange rename(const QString &path, const QString &newPath)
    {
        ArchiveChange change;
        change.kind = Kind::Rename;
        change.path = path;
        change.newPath = newPath;
        return change;
    }
};
