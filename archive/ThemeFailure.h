// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

// What kind of failure a pack, unpack or read ended with. The English
// `errorString` of ThemePacker and ThemeReader stays the fixed text it always
// was; this tells a caller what happened, so that it can explain it in its
// own words (the window does, in Chinese) without parsing that text.
enum class ThemeFailure {
    None,
    Missing,          // no folder or archive at the given path
    NotArchive,       // the file does not start with the theme archive tag
    Damaged,          // the archive contradicts its own layout or length
    Unsafe,           // a name would lead outside the folder it is unpacked into
    BadName,          // a resource name that cannot be stored or written: not UTF-8
    BadThemeName,     // a theme name no archive can hold, or that would move the archive
    Unreadable,       // a folder or file to read cannot be listed, opened or read
    Unwritable,       // the archive or a resource file cannot be written
    LinkInWay,        // a folder to write into is a symbolic link, which is never followed
                      // (`path`: the link)
    FileInWay,        // a file (or anything else but a folder) stands where a folder to
                      // write into must go (`path`: that file)
    DiskFull,         // a write failed because the disk or quota is full
    FileTooLarge,     // a write passed the file size limit of the process (ulimit -f)
    PermissionDenied, // a write failed because the system refused access
    TooLarge,         // more than an archive can hold (2 GiB, or 1,000,000 files)
    Conflict,         // the output would replace something it must not: a resource being
                      // packed, the archive being read, or another output of the same run
    Busy,             // another edit of the archive is under way
    Cancelled,        // the caller asked to stop
};

// One failure, kept whole from the call that failed to whoever shows it:
// its kind, the fixed English message, the system's error number of the
// call that failed (or a fixed English reason where the system gave none)
// and the file or folder it concerns.
struct ThemeError
{
    ThemeFailure kind = ThemeFailure::None;
    QString message;     // fixed English text, as errorString holds it
    int systemError = 0; // errno of the call that failed; 0 when there was none
    QString detail;      // the reason when no errno tells it ("A symbolic link is in the way")
    QString path;        // the file or folder concerned, when one is

    bool failed() const { return kind != ThemeFailure::None; }

    // The system's reason ("Permission denied"), else `detail`, else nothing.
    QString reason() const { return systemError ? qt_error_string(systemError) : detail; }
};

// The kind of a failed write, from the system's error number.
ThemeFailure writeFailureFor(int systemError);

// Whether `kind` is one that writeFailureFor() gives.
bool isWriteFailure(ThemeFailure kind);
