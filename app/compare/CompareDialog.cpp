// SPDX-License-Identifier: MIT
#include "CompareDialog.h"

#include "VersionView.h"
#include "util/FormatSize.h"

#include <QBoxLayout>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QSplitter>
#include <QTableWidget>

namespace {

QString stateText(ResourceDifference::Change change)
{
    switch (change) {
    case ResourceDifference::Change::Added: return CompareDialog::tr("新增");
    case ResourceDifference::Change::Removed: return CompareDialog::tr("删除");
    case ResourceDifference::Change::Changed: break;
    }
    return CompareDialog::tr("修改");
}

QString sizeText(qint64 size)
{
    return size < 0 ? QStringLiteral("-") : formatSize(size);
}

// Room the window manager's frame takes around the dialog.
constexpr int frameAllowance = 64;

} // namespace

CompareDialog::CompareDialog(const QString &oldPath, const QString &newPath,
                             const QList<ResourceDifference> &found, QWidget *parent)
    : QDialog(parent), oldArchive(oldPath), newArchive(newPath), differences(found)
{
    setObjectName(QStringLiteral("compareDialog"));
    setWindowTitle(tr("比较主题文件"));
    summaryLabel = new QLabel(summary());
    summaryLabel->setObjectName(QStringLiteral("summaryLabel"));
    summaryLabel->setTextFormat(Qt::PlainText);
    summaryLabel->setWordWrap(true);

    differenceTable = new QTableWidget(0, 4);
    differenceTable->setObjectName(QStringLiteral("differenceTable"));
    differenceTable->setHorizontalHeaderLabels(
        {tr("状态"), tr("路径"), tr("原大小"), tr("新大小")});
    differenceTable->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    differenceTable->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    differenceTable->verticalHeader()->hide();
    differenceTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    differenceTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    differenceTable->setSelectionMode(QAbstractItemView::SingleSelection);
    differenceTable->setTextElideMode(Qt::ElideMiddle);
    differenceTable->setWordWrap(false);
    fillTable();
    connect(differenceTable, &QTableWidget::itemSelectionChanged, this,
            &CompareDialog::showSelected);

    versionView = new VersionView(oldArchive, newArchive);
    versionView->setObjectName(QStringLiteral("versionView"));
    compareSplitter = new QSplitter(Qt::Vertical);
    compareSplitter->setObjectName(QStringLiteral("compareSplitter"));
    compareSplitter->addWidget(differenceTable);
    compareSplitter->addWidget(versionView);
    compareSplitter->setChildrenCollapsible(false);
    // The pictures get the larger share: a handful of rows is the usual list.
    compareSplitter->setStretchFactor(0, 2);
    compareSplitter->setStretchFactor(1, 3);
    compareSplitter->setSizes({200, 300});               // in proportion, at any dialog size
    compareSplitter->setVisible(!differences.isEmpty()); // equal: the summary says all

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    closeButton = buttons->button(QDialogButtonBox::Close);
    closeButton->setObjectName(QStringLiteral("closeButton"));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(summaryLabel);
    layout->addWidget(compareSplitter, 1);
    layout->addWidget(buttons);
    fitToScreen();
}

QString CompareDialog::summary() const
{
    if (differences.isEmpty())
        return tr("两个主题文件的资源相同。");
    int counts[3] = {0, 0, 0};
    for (const ResourceDifference &difference : differences)
        ++counts[int(difference.change)];
    return tr("原：%1\n新：%2\n新增 %3 个资源，删除 %4 个，修改 %5 个。")
        .arg(QDir::toNativeSeparators(oldArchive), QDir::toNativeSeparators(newArchive))
        .arg(counts[int(ResourceDifference::Change::Added)])
        .arg(counts[int(ResourceDifference::Change::Removed)])
        .arg(counts[int(ResourceDifference::Change::Changed)]);
}

void CompareDialog::fillTable()
{
    differenceTable->setRowCount(int(differences.size()));
    for (int row = 0; row < differences.size(); ++row) {
        const ResourceDifference &difference = differences[row];
        const QStringList cells{stateText(difference.change), difference.path,
                                sizeText(difference.oldSize), sizeText(difference.newSize)};
        for (int column = 0; column < cells.size(); ++column) {
            auto *item = new QTableWidgetItem(cells[column]);
            item->setToolTip(cells[column]);
            if (column >= 2)
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            differenceTable->setItem(row, column, item);
        }
    }
}

void CompareDialog::showSelected()
{
    const QList<QTableWidgetItem *> selected = differenceTable->selectedItems();
    if (selected.isEmpty())
        versionView->showHint();
    else
        versionView->showDifference(differences[selected.first()->row()]);
}

// Large enough for the list and two pictures side by side, and never larger
// than the screen the window is on.
void CompareDialog::fitToScreen()
{
    const QScreen *screen = parentWidget() ? parentWidget()->screen() : this->screen();
    const QSize room =
        screen->availableGeometry().adjusted(0, 0, -frameAllowance / 2, -frameAllowance).size();
    setMaximumSize(room);
    resize(QSize(820, 640).boundedTo(room));
}
