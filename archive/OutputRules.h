// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QStringView>

// Where a pack or unpack writes, decided in one place for the window, the
// command-line tool and the library alike.
namespace OutputRules {

// Whether two spellings of a file name that differ only in letter case
// name the same file on this system.
#if defined(Q_OS_WIN) || defined(Q_OS_MACOS)
inline constexpr Qt::CaseSensitivity fileNameCase = Qt::CaseInsensitive;
#else
inline constexpr Qt::CaseSensitivity fileNameCase = Qt::CaseSensitive;
#endif

// The extension of every archive the packer names itself.
inline constexpr char archiveSuffix[] = ".tsk";

// Why a name cannot be an archive's file name, ".tsk" added.
enum class FileNameProblem {
    None,
    Empty,
    OnlySpaces, // looks empty in a table, and in most file managers
    Dots,       // "." or "..": the archive would land in another folder
    Separator,  // holds "/" or "\": the same
    TooLong,    // with ".tsk", more than the 255 bytes a file name may take
};
FileNameProblem archiveNameProblem(QStringView name);
// The fixed English words for the problem of `name`; empty for None.
QString archiveNameMessage(FileNameProblem problem, const QString &name);

// The archive named `name` + ".tsk" in `folder` ("/" separators; a
// trailing "/" or none).
QString archiveIn(const QString &folder, const QString &name);

// The archive named `name` + ".tsk" beside the folder `folderPath`, that is
// in its parent folder ("/" for a folder directly below the root).
QString archiveBeside(const QString &folderPath, const QString &name);

// The folder archives are unpacked into when no target is given: the one
// the archive lies in, "/" at its end.
QString targetBeside(const QString &archivePath);

// The one comparison of output paths: absolute, clean, "/" separators and,
// where this system's file names ignore letter case, case-folded. Two paths
// with one key write the same file.
QString pathKey(const QString &path);

} // namespace OutputRules
