// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

class ThemeIndex;

// The resources an unpack of an archive leaves on disk: one per file path
// below the theme folder, as this system reads the entry names ("img/bg.png"
// for "/img/bg.png" and "//img/./bg.png"), with the contents of the later of
// two entries of one path; entries that name a folder ("/img/") hold none.
// Kept sorted by the paths' bytes, which mostly lie in the index itself: two
// archives of 20,000 resources are matched up without a string or a hash
// entry per resource.
class ArchivedResources
{
public:
    // `index` must outlive this.
    explicit ArchivedResources(const ThemeIndex &index);

    qsizetype count() const { return resources.size(); }
    // The path's bytes, as stored (UTF-8, or what the archive holds).
    QByteArrayView pathBytes(qsizetype k) const { return resources[k].path; }
    QString path(qsizetype k) const;
    qint64 offset(qsizetype k) const { return resources[k].offset; }
    qint64 size(qsizetype k) const { return resources[k].size; }

private:
    struct Resource // 32 bytes: an archive's offsets and sizes are 32-bit
    {
        QByteArrayView path;
        qint32 offset = 0;
        qint32 size = 0;
        qint32 entry = 0; // its place in the index: the later of two of one path stays
    };
    QList<Resource> resources;
    QList<QByteArray> cleaned; // the paths of names that are not written as a pack writes them
};
