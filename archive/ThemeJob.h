// SPDX-License-Identifier: MIT
#pragma once

#include "ArchiveChange.h"
#include "OutputRules.h"
#include "ThemeFailure.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

// One run of packs, unpacks or edits, as the window and the command-line tool both
// start it: the rules of where each output lands, when two outputs clash and
// how a failure is told live here, and the callers only show the outcomes.

enum class JobKind { Pack, Unpack, Edit };

// One folder to pack, one archive to unpack, or one archive to edit in place.
struct JobItem
{
    QString source; // the folder or the archive
    // pack: the archive's file name without ".tsk" (also when empty: such a
    // name is refused); none: the theme name
    std::optional<QString> archiveName;
    QString themeName;      // pack: the theme name stored; empty: the folder's own name
    QStringList entryNames; // unpack: only these entries, as the index names them ("/img/bg.png")
    QStringList patterns;   // unpack: only the entries these choose (see selectEntries())
    QList<ArchiveChange> changes; // edit: applied in order (see editArchive())

    bool unpacksAll() const { return entryNames.isEmpty() && patterns.isEmpty(); }
};

// Where the outputs go.
struct JobTarget
{
    QString folder;      // every output into this folder; empty: each beside its source
    QString archivePath; // a pack of one folder: exactly this file
};

// Where one pack's archive goes, found before anything is written.
struct PlannedArchive
{
    QString path; // the archive
    QString name; // its file name without ".tsk"
    OutputRules::FileNameProblem nameProblem = OutputRules::FileNameProblem::None;
    int clashesWith = -1; // an earlier item that writes the same archive, or -1
};

// The archives of a pack run: the same answer for the window, which refuses
// a run with any problem before it starts, and for the run itself, which
// fails those items.
QList<PlannedArchive> planArchives(const QList<JobItem> &items, const JobTarget &target);

// What became of one item.
struct JobOutcome
{
    ThemeError error;        // kind None: done
    QString output;          // the archive written (or edited), or the theme folder unpacked into
    QString outputFolder;    // the folder that holds it
    QStringList written;     // unpack: the first files written, each whole
    qint64 writtenCount = 0; // and how many there were
    QStringList unmatched;   // unpack by patterns, edit: the names that chose nothing

    bool done() const { return !error.failed() && unmatched.isEmpty(); }
};

// Where a run stands.
struct JobProgress
{
    int item = 0;          // the item being worked on
    qint64 itemDone = 0;   // its content bytes done
    qint64 itemTotal = 0;  // and in all
    qint64 runDone = 0;    // the whole run's progress,
    qint64 runTotal = 0;   // in bytes as estimated before it started
    bool scanning = false; // a pack run still scanning its folders: the bytes are not known yet
};

class ThemeJob
{
public:
    ThemeJob(JobKind kind, QList<JobItem> items, JobTarget target);
    ~ThemeJob();
    ThemeJob(const ThemeJob &) = delete;
    ThemeJob &operator=(const ThemeJob &) = delete;

    // Hooks, called on the thread that runs run(); all optional.
    std::function<void(int item)> itemStarted;
    std::function<void(int item)> itemFinished; // its outcome is complete
    // Pack and edit: an entry name, just before its contents are copied;
    // unpack: a file, once it has been written.
    std::function<void(int item, const QString &name)> entryDone;
    // Now and then, and after each item; false stops the run: the item at
    // work is cancelled cleanly and the rest are not begun.
    std::function<bool(const JobProgress &progress)> progress;

    // Works through the items in order. A pack run scans every folder
    // first, so that the progress runs over all of them, and each folder is
    // scanned once; each archive of an unpack run is read once. An edit
    // replaces its archive only once the whole new one is written: a cancel
    // or a failure leaves it as it was.
    void run();

    JobKind kind() const { return jobKind; }
    const QList<JobItem> &items() const { return jobItems; }
    const QList<JobOutcome> &outcomes() const { return results; }

private:
    class Packs;
    void runPacks();
    void runUnpacks();
    void runEdits();
    void runArchives(void (ThemeJob::*work)(int, qint64, qint64, qint64));
    void edit(int item, qint64 runBefore, qint64 runTotal, qint64 estimate);
    void unpack(int item, qint64 runBefore, qint64 runTotal, qint64 estimate);
    bool report(int item, qint64 itemDone, qint64 itemTotal, qint64 runBefore, qint64 runTotal,
                qint64 estimate);
    void cancelFrom(int item);

    JobKind jobKind;
    QList<JobItem> jobItems;
    JobTarget jobTarget;
    QList<JobOutcome> results;
    bool stopped = false;
};
