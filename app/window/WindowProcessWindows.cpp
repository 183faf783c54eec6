// SPDX-License-Identifier: MIT
#include "WindowProcess.h"

#include <QFileInfo>

#include <windows.h>

bool processRuns(qint64 pid)
{
    if (pid <= 0 || pid > qint64(MAXDWORD))
        return false;
    HANDLE process = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, DWORD(pid));
    if (!process) // none of that id, or one this user may not look at
        return ::GetLastError() == ERROR_ACCESS_DENIED;
    DWORD exitCode = 0;
    const bool runs = ::GetExitCodeProcess(process, &exitCode) && exitCode == STILL_ACTIVE;
    ::CloseHandle(process);
    return runs;
}

// The temporary folder is the user's own there.
bool ownedByThisUser(const QFileInfo &)
{
    return true;
}

EndRequests::EndRequests(QObject *parent) : QObject(parent) {}

EndRequests::~EndRequests() = default;

void EndRequests::receive() {}
