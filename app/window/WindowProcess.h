// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>

class QFileInfo;
class QSocketNotifier;

// What the window needs of the operating system it runs on; POSIX and
// Windows each have their own file.

// Whether the process with this id still runs (one of another user counts).
// A process that ended may have left its id to a later one: the answer is
// then "runs", which only keeps something that could have gone.
bool processRuns(qint64 pid);

// Whether the file or folder belongs to the user this process runs as.
bool ownedByThisUser(const QFileInfo &info);

// The system's requests to end the process, turned into a signal of the
// event loop so the window can end as closing it does: on POSIX, SIGTERM
// (the session ends), SIGINT (Ctrl+C in the terminal it was started from)
// and SIGHUP (that terminal closed). A second request ends the process at
// once, as it would without this. On Windows the toolkit already turns the
// session's end into closing the window, and nothing is watched here.
class EndRequests : public QObject
{
    Q_OBJECT

public:
    explicit EndRequests(QObject *parent = nullptr);
    ~EndRequests() override; // the signals do what they did before

    // The signal that asked, or 0.
    int signalNumber() const { return received; }

signals:
    void requested();

private:
    void receive();

    QSocketNotifier *notifier = nullptr;
    int received = 0;
};
