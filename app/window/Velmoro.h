// SPDX-License-Identifier: MIT
#pragma once

#include "archive/ThemeEntry.h"
#include "archive/ThemeFailure.h"
#include "archive/ThemeJob.h"
#include "icons/IconStore.h"

#include <QMainWindow>
#include <QString>
#include <QVector>

#include <memory>

class ArchiveWatch;
class BackgroundRun;
class DialogSeam;
class ResourcePane;
class ResourceTree;
struct ThemeRun;
class QAction;
class QDragEnterEvent;
class QDropEvent;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QSplitter;
class QTabWidget;
class QTableWidget;
class QTreeWidgetItem;

// The one main window: a work-directory row above an unpack tab (archives and
// a preview of the selected one's resources) and a pack tab (folders).
class Velmoro : public QMainWindow
{
    Q_OBJECT

public:
    explicit Velmoro(QWidget *parent = nullptr);
    ~Velmoro() override;

    QSize sizeHint() const override;

    // Where a listed archive's row keeps its version ("1.0.0"), in the name
    // cell beside the ResourceSizeMap (Qt::UserRole).
    static constexpr int versionRole = Qt::UserRole + 1;
    // Where it keeps, while its archive cannot be read any more (gone from
    // disk, or damaged by a change), what the preview says of it.
    static constexpr int unavailableRole = Qt::UserRole + 2;

    // Replaces the dialogs, message boxes and file manager (not owned); null
    // restores the toolkit's.
    void setDialogSeam(DialogSeam *seam);

    // Lists each folder on the pack tab and each theme archive (".tsk") on
    // the unpack tab, as if they had been dropped there; the tab that
    // received archives (else folders) comes to the front. Damaged and
    // unsafe archives are named in one box.
    void openPaths(const QStringList &paths);

    // How long a pack or unpack runs before its progress dialog shows.
    void setProgressDialogDelay(int milliseconds) { progressDialogDelay = milliseconds; }

    // Whether a pack or unpack is under way; the window takes no commands then.
    bool isRunning() const { return activeRun != nullptr; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private slots:
    void addFile();
    void addFolder();
    void about();
    void helpDoc();
    void changeWorkDir();
    void addThemeFile();
    void removeThemeFile();
    void unpackThemeFile();
    void prevThemeResFiles();
    void addThemeFolder();
    void removeThemeFolder();
    void packThemeFolder();

private:
    void createActions();
    void createMenus();
    void createUnpackTab();
    void createPackTab();
    void loadSettings();
    void saveSettings();
    void restoreWindowState();
    void saveWindowState();
    QString windowStateFile() const;

    void orderKeyboardFocus();
    void showTab(const char *pageName);
    void appendThemeFolderRow(QString &folderPath);
    ThemeFailure appendThemeFileRow(const QString &archivePath);
    void setThemeFileContents(int row, const QString &themeName, const ThemeEntryList &entries,
                              const QString &version);
    void showThemeFileRow(int row);
    // The unpack table follows its archives on disk.
    void watchThemeFiles();
    void refreshThemeFiles(const QStringList &archives);
    void markThemeFileUnavailable(int row, const ThemeError &error);
    // The tree is filled by the preview pane; this hands it one resource.
    void insertResourcePath(QTreeWidgetItem *parent, QString path, int size);
    bool addPaths(QTableWidget *table, const QStringList &paths, QStringList &refused);
    void takePaths(const QStringList &paths, const QTableWidget *under);
    void addShowInFileManager(QTableWidget *table, QAction *&action, const char *name);
    void showInFileManager(const QTableWidget *table);
    // 比较… on the unpack table: the row's archive against one the user chooses.
    void addCompareAction();
    void compareThemeFile();
    void noteRecent(const QString &path);
    void updateRecentMenu();
    void openRecent(const QString &path);
    void noteRefusal(QStringList &refused, const QString &archivePath, ThemeFailure failure);
    void reportRefusals(const QStringList &refused);
    bool packNamesUsable(const QList<JobItem> &items, const JobTarget &target);
    void setBusy(bool busy);
    void startRun(ThemeRun run);
    void finishRun();
    void acceptFileDrops(QTableWidget *table);
    bool takeDragEnter(QTableWidget *table, QDragEnterEvent *enter);
    bool takeDrop(QTableWidget *table, QDropEvent *drop);
    void createResourcePane();

    // Where a run's outputs go: into the work directory, or beside each
    // source when the field is empty.
    JobTarget workDirTarget() const;

    QMenu *fileMenu = nullptr;
    QMenu *helpMenu = nullptr;
    QAction *addThemeFileAction = nullptr;
    QAction *addThemeFolderAction = nullptr;
    QAction *exitAction = nullptr;
    QAction *aboutAction = nullptr;
    QAction *aboutQtAction = nullptr;
    QAction *helpDocAction = nullptr;
    QMenu *recentMenu = nullptr; // 最近打开: the archives and folders listed last
    QAction *clearRecentAction = nullptr;
    QAction *showArchiveAction = nullptr; // 在文件管理器中显示, on the unpack table
    QAction *showFolderAction = nullptr;  // and on the pack table
    // 比较…, on the unpack table
    QAction *compareArchiveAction = nullptr;
    QLabel *workDirLabel = nullptr;
    QLineEdit *workDirEdit = nullptr;
    QPushButton *changeWorkDirButton = nullptr;
    QTabWidget *tabWidget = nullptr;
    QSplitter *unpackSplitter = nullptr;
    QTableWidget *themeFileTable = nullptr;
    ResourcePane *resourcePane = nullptr; // the preview beside the table
    ResourceTree *resourceTree = nullptr; // the pane's tree
    QPushButton *addThemeFileButton = nullptr;
    QPushButton *removeThemeFileButton = nullptr;
    QPushButton *unpackThemeFileButton = nullptr;
    QTableWidget *themeFolderTable = nullptr;
    QPushButton *addThemeFolderButton = nullptr;
    QPushButton *removeThemeFolderButton = nullptr;
    QPushButton *packThemeFolderButton = nullptr;
    QString settingsFilePath;
    QVector<QString> themeFilePaths;
    QVector<QString> themeFolderPaths;
    ArchiveWatch *archiveWatch = nullptr; // the listed archives, on disk
    IconStore iconStore;
    QString lastDialogDir;
    QStringList recentPaths; // newest first

    DialogSeam *dialogs = nullptr;
    int progressDialogDelay = 500;
    std::unique_ptr<BackgroundRun> activeRun; // while a pack or unpack runs
    bool closeAfterRun = false;
    bool closeAfterPutBack = false; // the run puts edited copies back before the window closes
};
