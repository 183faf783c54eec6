// SPDX-License-Identifier: MIT
#pragma once

#include "ThemeFailure.h"

#include <QList>
#include <QString>

#include <functional>

// How one resource differs between two archives.
struct ResourceDifference
{
    enum class Change { Added, Removed, Changed };
    Change change = Change::Changed;
    QString path;        // below the theme folder, "img/bg.png"
    qint64 oldSize = -1; // in the first archive; -1 when it has no such resource
    qint64 newSize = -1; // in the second
};

// Compares the resources of two archives as unpacks of them would leave
// them (by path below the theme folder, the later of two entries of one
// path counting), in `differences`: those only the second has (Added), only
// the first has (Removed), and those whose contents differ (Changed), in the
// order of a pack. Sizes are compared first, and contents only where sizes
// are equal, each up to its first difference, so nothing beyond the indexes
// is read of a resource whose size changed. `progress`, when set, hears of
// the content bytes compared so far and their total; false cancels.
ThemeError compareArchives(const QString &oldArchive, const QString &newArchive,
                           QList<ResourceDifference> &differences,
                           const std::function<bool(qint64 done, qint64 total)> &progress = {});
