// SPDX-License-Identifier: MIT
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// A pack row whose name cannot be packed as it stands.
struct PackNameProblem
{
    int row = 0;     // counted from 0
    QString name;    // the name cell's text
    QString problem; // why, in the window's language
};

// The rows whose names must be fixed before anything is packed: an empty
// name, "." or "..", a name with "/" or "\" (it would lead into another
// folder), and rows whose archive paths `archives[row]` are the same file (the
// later archive would replace the earlier one). Empty when all can be packed.
QList<PackNameProblem> packNameProblems(const QStringList &names, const QStringList &archives);
