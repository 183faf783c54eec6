// SPDX-License-Identifier: MIT
#pragma once

#include "ArchiveChange.h"
#include "ArchiveWriter.h"
#include "ThemeFailure.h"

#include <QList>
#include <QString>
#include <QStringList>

// Applies `changes`, in order, to the archive at `archivePath` and writes
// the result in one pass: byte for byte the archive a pack of its unpacked
// folder, so changed, would write (the later of two entries of one path
// kept, the resources in the order of a pack, every name checked as the
// reader will). Resources that stay are copied from the old archive by the
// kernel where it can; nothing goes through a temporary folder. The new
// archive is written beside the old one and replaces it, synced, only once
// complete: a failure, a cancel or a kill leaves the old one as it was.
// Through a symbolic link, the archive it leads to is edited and the link
// stays. Names of a Remove or Rename that chose nothing go to `unmatched`,
// and fail the edit.
ThemeError editArchive(const QString &archivePath, const QList<ArchiveChange> &changes,
                       const PackHooks &hooks, QStringList &unmatched);
