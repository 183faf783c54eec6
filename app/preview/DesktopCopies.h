// SPDX-License-Identifier: MIT
#pragma once

#include "app/run/RunReport.h"

#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>

#include <deque>
#include <functional>
#include <memory>

class BackgroundRun;
class QTemporaryDir;
class QWidget;

// Copies of some resources of one archive, asked for to open them with
// another application or to drag them out.
struct DesktopCopy
{
    enum class State { Waiting, Copying, Ready, Failed, Cancelled };

    QString archive;     // as its row holds it
    QString themeName;   // as its row shows it: the copies lie below it
    QStringList entries; // entry names ("/img/bg.png")
    State state = State::Waiting;
    RunReport report; // Failed: why
    // Called once the copy is over (ready, failed or cancelled), when that
    // was not so already when it was asked for.
    std::function<void()> finished;

    bool over() const { return state != State::Waiting && state != State::Copying; }

    // Where the copy of the resource or folder at `path` below the theme
    // folder lies ("img/bg.png"; "" for the theme folder itself).
    QString copyOf(const QString &path) const;

    // Kept by DesktopCopies.
    QString archiveVersion; // the archive as it was when the copy began
    QString targetDir;      // the folder that holds the theme folder, ending in "/"
    QStringList missing;    // the entries that had no current copy yet
    QStringList made;       // the files made for this copy
    bool discarded = false; // its files go once it is over
};

// The window's copies of resources for the desktop, in its own temporary
// folder. They are made by a background run, one at a time in the order
// asked for, with the run's progress dialog and its Cancel once they take
// longer than the dialog delay. A resource is copied once and reused while
// its archive (path, size, time of change) and its copy stay as they were;
// a copy that an application changed is made again.
class DesktopCopies : public QObject
{
    Q_OBJECT

public:
    // The progress dialog belongs to `owner`'s window.
    explicit DesktopCopies(QWidget *owner);
    // Stops a copy still going and removes the temporary folder.
    ~DesktopCopies() override;

    // How long a copy runs before its progress dialog shows.
    std::function<int()> progressDelay;

    // Asks for copies of the entries; the copy may be over at once when
    // they are all there already.
    std::shared_ptr<DesktopCopy> request(const QString &archive, const QString &themeName,
                                         const QStringList &entries);

    // The copy was not used (a drag nobody took): it is stopped if it is
    // still going, and every file made for it is removed.
    void discard(const std::shared_ptr<DesktopCopy> &copy);

    // Stops every copy and removes the temporary folder with everything in it.
    void removeAll();

private:
    bool prepare(DesktopCopy &copy);
    void startNext();
    void startCopying(const std::shared_ptr<DesktopCopy> &copy);
    void copyFinished();
    void finish(const std::shared_ptr<DesktopCopy> &copy);
    void noteMade(DesktopCopy &copy);
    void removeMade(DesktopCopy &copy);
    bool isCurrent(const QString &file) const;

    QWidget *owner;
    std::unique_ptr<QTemporaryDir> scratch;
    int foldersMade = 0;
    QHash<QString, QString> versionFolders; // archive version to the folder of its copies
    struct FileStamp
    {
        qint64 size = -1;
        qint64 modified = 0;
        bool operator==(const FileStamp &other) const
        {
            return size == other.size && modified == other.modified;
        }
    };
    QHash<QString, FileStamp> kept; // each copy made, as it was made

    std::deque<std::shared_ptr<DesktopCopy>> waiting;
    std::shared_ptr<DesktopCopy> current;
    std::unique_ptr<BackgroundRun> run;
    quint64 runNumber = 0; // tells a finished run from one stopped before it said so
};
