// SPDX-License-Identifier: MIT
#pragma once

#include "archive/ArchiveComparison.h"

#include <QDialog>

class QLabel;
class QPushButton;
class QSplitter;
class QTableWidget;
class VersionView;

// What changed from one archive to another: a row per resource added,
// removed or changed (state, path, the size in each), and below the list
// the selected resource's two versions. It opens within the screen;
// Escape closes it.
class CompareDialog : public QDialog
{
    Q_OBJECT

public:
    CompareDialog(const QString &oldArchive, const QString &newArchive,
                  const QList<ResourceDifference> &differences, QWidget *parent = nullptr);

private:
    void fillTable();
    void showSelected();
    QString summary() const;
    void fitToScreen();

    QString oldArchive;
    QString newArchive;
    QList<ResourceDifference> differences;
    QLabel *summaryLabel = nullptr;
    QSplitter *compareSplitter = nullptr;
    QTableWidget *differenceTable = nullptr;
    VersionView *versionView = nullptr;
    QPushButton *closeButton = nullptr;
};
