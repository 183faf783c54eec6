// SPDX-License-Identifier: MIT
#pragma once

#include "ResourceFilter.h"

#include <QHash>
#include <QIcon>
#include <QList>
#include <QString>
#include <QVariantMap>
#include <QWidget>

#include <functional>
#include <memory>

class ArchiveWatch;
class DesktopCopies;
class DialogSeam;
class IconStore;
class QAction;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QSplitter;
class QTreeWidgetItem;
class ResourceTree;
class ResourceViewer;
class SummaryLabel;
struct ArchiveChange;
struct DesktopCopy;
struct JobItem;
struct RunReport;
struct ThemeRun;

// A listed theme as the pane shows it: what its row of the unpack table holds.
struct PreviewedTheme
{
    QString archive;   // the archive's path, as the row holds it
    QString name;      // the theme name
    QString version;   // "1.0.0"
    QVariantMap sizes; // the ResourceSizeMap: resource path to size
};

// The unpack tab's look inside a theme: a filter above the tree of its
// resources, the selected resource shown beside the tree, the theme's
// summary below; the tree's rows can be opened, extracted, their paths
// copied and dragged out. It knows nothing of the window around it: what it
// needs from there it is given.
class ResourcePane : public QWidget
{
    Q_OBJECT

public:
    // `icons` (the window's, for the tree and the viewer) and `seam` must
    // outlive the pane; `topIcon` stands for the theme in the tree's top row.
    ResourcePane(IconStore &icons, const QIcon &topIcon, DialogSeam *seam,
                 QWidget *parent = nullptr);
    ~ResourcePane() override;

    // Set by the window, which runs one pack, unpack or extraction at a time
    // in the background: whether one is under way, how to start one, and the
    // folder in which the dialog for extracting a selection opens.
    std::function<bool()> runGoing;
    std::function<void(ThemeRun run)> startRun;
    std::function<QString()> extractStartFolder;
    // How long a copy for the desktop runs before its progress dialog shows.
    std::function<int()> progressDialogDelay;

    void setDialogSeam(DialogSeam *seam) { dialogs = seam; }

    ResourceTree *tree() const { return resourceTree; }

    // The pane's widgets in the order Tab goes through them.
    QList<QWidget *> focusChain() const;

    // Fills the tree for the theme, from what its row holds; the archive is
    // not opened again. The filter typed for the last theme applies to it.
    // Shown again (its archive changed on disk), the resource that was
    // current stays so, and is read again.
    void showTheme(const PreviewedTheme &theme);

    // The theme's archive cannot be read any more: no tree, and the summary
    // says why (`state`).
    void showUnavailableTheme(const PreviewedTheme &theme, const QString &state);

    // Inserts one resource below `parent` while the tree is filled: `path` is
    // what remains of its path below that row, `size` its size.
    void insertResourcePath(QTreeWidgetItem *parent, QString path, int size);

    // The archive the pane shows, as its row holds it; empty for none.
    const QString &shownArchive() const { return previewedArchive; }

    // Shows no theme at all.
    void clearResourcePreview();

    // Stops the copies being made to be opened or dragged out, and removes
    // them all with their temporary folder.
    void removeScratchFiles();

    // Whether the window may close now. With opened resources changed in
    // other programs and not put back yet, asks first: putting them back
    // starts a run (`puttingBack` true), and the window closes once it is
    // over; cancelling keeps the window open.
    bool mayClose(bool &puttingBack);

private slots:
    void previewResource();
    void filterResources();
    void openResource(QTreeWidgetItem *item);
    void openCurrentResource();
    void extractSelectedResources();
    void copyResourcePaths();
    void copyFullResourcePaths();
    void updateResourceActions();
    void addFilesToTheme();
    void addFolderToTheme();
    void replaceResource();
    void removeResources();
    void renameResource();
    void finishRename(QTreeWidgetItem *item, int column);
    void addDroppedFiles(QTreeWidgetItem *onto, const QStringList &files);
    void notice(const QStringList &copies);
    void putBackCurrentChange();
    void discardCurrentChange();

private:
    void createFilterEdit();
    void createResourceTree();
    void createPreviewSplitter();
    void createResourceActions();
    void showResourceSummary(const QString &version);
    QString currentResource() const;
    void createDesktopCopies();
    QStringList filesForDrag(const QList<QTreeWidgetItem *> &items);
    void openCopy(const DesktopCopy &copy, const QString &path);
    void tellCopyFailed(const DesktopCopy &copy);
    void createEditActions();
    QString folderForAdding() const;
    void startEdits(const QList<JobItem> &items, const QStringList &names, const QString &title,
                    std::function<void(const RunReport &report)> afterwards = {});
    void editShownTheme(const QList<ArchiveChange> &changes, const QString &title);
    void createCopyChangedBar();
    void watchOpenedCopy(const QString &archive, const QString &path, const QString &file);
    bool openChangedCopy(const QString &path);
    void putBack(const QStringList &copies);
    void showCopyChanges();

    QLineEdit *resourceFilterEdit = nullptr;
    QLabel *filterHintLabel = nullptr; // says so when the filter leaves no resource
    ResourceTree *resourceTree = nullptr;
    SummaryLabel *resourceSummaryLabel = nullptr;
    QSplitter *previewSplitter = nullptr;
    ResourceViewer *resourceViewer = nullptr;
    QAction *openResourceAction = nullptr;
    QAction *extractResourcesAction = nullptr;
    QAction *copyResourcePathAction = nullptr;
    QAction *copyFullPathAction = nullptr;
    QAction *addFilesAction = nullptr;        // 添加文件…
    QAction *addFolderAction = nullptr;       // 添加文件夹…
    QAction *replaceResourceAction = nullptr; // 替换…
    QAction *removeResourcesAction = nullptr; // 删除
    QAction *renameResourceAction = nullptr;  // 重命名
    // Above the tree while a resource opened with 打开 has been changed in
    // another program and not put back yet.
    QFrame *copyChangedBar = nullptr;
    QLabel *copyChangedLabel = nullptr;
    QPushButton *putBackButton = nullptr;       // 更新到主题文件
    QPushButton *discardChangeButton = nullptr; // 放弃

    IconStore &iconStore;
    QIcon themeIcon;
    DialogSeam *dialogs;

    QString previewedArchive;          // the archive the pane shows, as its row holds it
    QString previewedTheme;            // and its theme name
    QVariantMap previewedSizes;        // and its ResourceSizeMap
    QString resourceBeforeUnavailable; // current when its archive became unreadable
    ResourceTreeFilter resourceFilter;

    // While the tree is filled: each item's children by name (the first
    // child of that name), so finding a folder among thousands of siblings
    // takes one lookup.
    QHash<QTreeWidgetItem *, QHash<QString, QTreeWidgetItem *>> previewChildren;

    // Copies of resources to be opened or dragged out, removed with the pane
    // or when the window closes; the one the current drag carries.
    DesktopCopies *desktopCopies = nullptr;
    std::shared_ptr<DesktopCopy> draggedCopy;

    // The row being renamed in place, and its path before.
    QTreeWidgetItem *renamingItem = nullptr;
    QString renamingFrom;

    // The copies opened with 打开, by file, and the resource each stands for;
    // those changed in another program and not put back yet, oldest first.
    struct OpenedCopy
    {
        QString archive; // as its row holds it
        QString theme;
        QString path; // below the theme folder: "img/bg.png"
    };
    QHash<QString, OpenedCopy> openedCopies;
    QStringList changedCopies;
    ArchiveWatch *copyWatch = nullptr;
};
