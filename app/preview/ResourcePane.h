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

class DesktopCopies;
class DialogSeam;
class IconStore;
class QAction;
class QLabel;
class QLineEdit;
class QSplitter;
class QTreeWidgetItem;
class ResourceTree;
class ResourceViewer;
class SummaryLabel;
struct DesktopCopy;
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

private slots:
    void previewResource();
    void filterResources();
    void openResource(QTreeWidgetItem *item);
    void openCurrentResource();
    void extractSelectedResources();
    void copyResourcePaths();
    void copyFullResourcePaths();
    void updateResourceActions();

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
};
