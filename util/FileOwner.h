// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

class QFileDevice;

// Gives `replacement`, an open new file that is to replace the file at
// `oldPath`, that file's owner, group and permissions, before it takes its
// place: replacing a file then changes its contents only, not who may use it
// (a user's archive that root rewrites stays the user's, a read-only one
// stays read-only). Does what the system allows (only root gives a file to
// another owner), and nothing where files have no owners.
void takeOverOwnership(QFileDevice &replacement, const QString &oldPath);
