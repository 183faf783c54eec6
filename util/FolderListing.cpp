// SPDX-License-Identifier: MIT
#include "FolderListing.h"

// What a listing keeps, the same on every platform; the steps it takes are in
// FolderListing_posix.cpp or FolderListing_qt.cpp.
bool ListedFolder::list(QList<ListedEntry> &entries, int &error) const
{
    QList<QByteArray> names;
    if (!readNames(names, error))
        return false;
    for (const QByteArray &name : std::as_const(names)) {
        if (name.startsWith('.'))
            continue; // hidden, and "." and ".."
        ListedEntry entry;
        entry.name = name;
        switch (lookAt(entry, error)) {
        case Look::Found: entries.append(entry); break;
        case Look::Gone: break;          // a link that leads nowhere, or to itself: nothing to pack
        case Look::Failed: return false; // the folder lets its entries be listed, not looked at
        }
    }
    return true;
}
