// SPDX-License-Identifier: MIT
#pragma once

#include "app/window/DialogSeam.h"

class ThemeJob;

#include <QList>
#include <QString>
#include <QStringList>

// A theme of a run that failed: what the theme author reads, and what
// support needs beside it.
struct RunFailure
{
    QString item;        // the folder or archive
    QString reason;      // what went wrong and what to do, in the window's language
    QString message;     // the library's English message
    QString systemError; // the system's reason, or empty
};

// A theme of a run that was not finished because the run was cancelled.
struct UnfinishedTheme
{
    QString item;             // the folder or archive
    QString folder;           // where an unpack had begun to write, or empty
    QStringList writtenFiles; // the first files it wrote there, whole, before it stopped
    qint64 writtenCount = 0;  // and how many it wrote
};

// What one pack or unpack run did, theme by theme, for its completion box.
struct RunReport
{
    int succeeded = 0;
    QList<RunFailure> failures;
    QList<UnfinishedTheme> notDone; // left when the run was cancelled
    QStringList destinations;       // the distinct folders the finished themes went into
};

// The texts of a run's completion box.
struct RunReportTexts
{
    QString title;
    QString allDone;         // every theme succeeded, into the work directory
    QString allDoneInFolder; // every theme succeeded, all into the one folder %1
    QString allDoneBeside;   // every theme succeeded, each beside its own folder or archive
    QString someFailed;      // %1 succeeded, %2 failed
    QString cancelled;       // %1 succeeded, %2 failed, %3 not done
};

// The completion box of a run: an information box that says where the
// themes went when every one succeeded, otherwise a warning that counts the
// themes done, failed and not done, names each failed one with its reason
// and what a cancelled unpack left behind, with the library's messages in
// the details. It offers to open the destination when all went to one folder.
WindowMessage runReportMessage(const RunReportTexts &texts, const RunReport &report,
                               bool intoWorkDir);

// The details of a run's box: each failed theme with its reason, the
// library's message and the system's reason, and what each theme a cancel
// left unfinished had written.
QString runReportDetails(const RunReport &report);

// What the finished `job` did, for its box: its outcomes with the reason of
// each failure in the window's words. `themeFolders`: the destinations are
// the theme folders unpacked into, not the folders that hold them.
RunReport runReportOf(const ThemeJob &job, bool themeFolders);
