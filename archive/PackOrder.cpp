// SPDX-License-Identifier: MIT
#include "PackOrder.h"

#include <QHash>

namespace PackOrder {

namespace {

// The folder tree the paths make up, each folder with its own files and
// sub-folders, as a scan of that folder would find them.
class FolderTree
{
public:
    explicit FolderTree(const QStringList &paths);
    QList<qsizetype> inPackOrder();

private:
    struct Named
    {
        QStringView name;       // in the paths given
        qsizetype position = 0; // of the file in the paths, or of the folder in `folders`
    };
    struct Folder
    {
        QList<Named> files;
        QList<Named> folders;
    };
    qsizetype folderAt(QStringView path);

    QList<Folder> folders;                      // the top folder first
    QHash<QStringView, qsizetype> folderByPath; // views of the paths given, which outlive it
};

FolderTree::FolderTree(const QStringList &paths)
{
    folders.append(Folder());
    folderByPath.insert(QStringView(), 0);
    QStringView lastFolder;
    qsizetype folder = 0;
    for (qsizetype i = 0; i < paths.size(); ++i) {
        const QString &path = paths[i];
        const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
        const QStringView folderPath = QStringView(path).left(qMax<qsizetype>(slash, 0));
        if (i == 0 || folderPath != lastFolder) // files of one folder mostly come together
            folder = slash < 0 ? 0 : folderAt(folderPath);
        lastFolder = folderPath;
        folders[folder].files.append({QStringView(path).mid(slash + 1), i});
    }
}

qsizetype FolderTree::folderAt(QStringView path)
{
    const auto found = folderByPath.constFind(path);
    if (found != folderByPath.cend())
        return found.value();
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    const qsizetype parent = slash < 0 ? 0 : folderAt(path.left(slash));
    const qsizetype folder = folders.size();
    folders.append(Folder());
    folders[parent].folders.append({path.mid(slash + 1), folder});
    folderByPath.insert(path, folder);
    return folder;
}

// Depth first, a folder's files before its sub-folders; a stack instead of
// recursion, so no depth of folders can exhaust it.
QList<qsizetype> FolderTree::inPackOrder()
{
    const auto nameOf = [](const Named &named) { return named.name; };
    QList<qsizetype> order;
    QList<qsizetype> stack{0};
    while (!stack.isEmpty()) {
        Folder &folder = folders[stack.takeLast()];
        sortByName(folder.files, nameOf);
        sortByName(folder.folders, nameOf);
        for (const Named &file : std::as_const(folder.files))
            order.append(file.position);
        for (qsizetype i = folder.folders.size() - 1; i >= 0; --i)
            stack.append(folder.folders[i].position);
    }
    return order;
}

} // namespace

QList<qsizetype> positions(const QStringList &paths)
{
    return FolderTree(paths).inPackOrder();
}

} // namespace PackOrder
