// SPDX-License-Identifier: MIT
#pragma once

#include "archive/ThemeJob.h"

#include <QList>
#include <QString>

// A pack row whose name cannot be packed as it stands.
struct PackNameProblem
{
    int row = 0;     // counted from 0
    QString name;    // the name cell's text
    QString problem; // why, in the window's language
};

// The rows whose names must be fixed before anything is packed, by the
// job's own plan of the run: a name that cannot name an archive (empty,
// only spaces, "." or "..", holding "/" or "\", too long for a file name),
// and rows that would write one archive (the later would replace the
// earlier one). Empty when all can be packed.
QList<PackNameProblem> packNameProblems(const QList<JobItem> &items, const JobTarget &target);
