// SPDX-License-Identifier: MIT
// Resources opened with 打开 and changed in another program: their copies
// are watched, a bar above the tree names the one changed and puts it back
// into its archive (an Add at its path) or forgets the change, and the
// window asks before it closes with changes not put back.

#include "ResourcePane.h"

#include "app/run/BackgroundRun.h"
#include "app/unpack/ArchiveWatch.h"
#include "app/window/DialogSeam.h"
#include "archive/ArchiveChange.h"

#include <QBoxLayout>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QUrl>

void ResourcePane::createCopyChangedBar()
{
    copyChangedBar = new QFrame;
    copyChangedBar->setObjectName(QStringLiteral("copyChangedBar"));
    copyChangedBar->setFrameShape(QFrame::StyledPanel);
    copyChangedBar->setAutoFillBackground(true);
    copyChangedBar->setBackgroundRole(QPalette::ToolTipBase);
    copyChangedLabel = new QLabel;
    copyChangedLabel->setObjectName(QStringLiteral("copyChangedLabel"));
    copyChangedLabel->setTextFormat(Qt::PlainText);
    copyChangedLabel->setWordWrap(true);
    copyChangedLabel->setForegroundRole(QPalette::ToolTipText);
    putBackButton = new QPushButton(tr("更新到主题文件"));
    putBackButton->setObjectName(QStringLiteral("putBackButton"));
    discardChangeButton = new QPushButton(tr("放弃"));
    discardChangeButton->setObjectName(QStringLiteral("discardChangeButton"));
    connect(putBackButton, &QPushButton::clicked, this, &ResourcePane::putBackCurrentChange);
    connect(discardChangeButton, &QPushButton::clicked, this, &ResourcePane::discardCurrentChange);
    auto *layout = new QHBoxLayout(copyChangedBar);
    layout->addWidget(copyChangedLabel, 1);
    layout->addWidget(putBackButton);
    layout->addWidget(discardChangeButton);
    copyChangedBar->hide();

    copyWatch = new ArchiveWatch(this);
    connect(copyWatch, &ArchiveWatch::changed, this, &ResourcePane::notice);
}

void ResourcePane::watchOpenedCopy(const QString &archive, const QString &path, const QString &file)
{
    openedCopies.insert(file, {archive, previewedTheme, path});
    copyWatch->add(file); // from the copy as it is now
}

// A resource changed and not put back opens from that copy: a new copy from
// the archive would write over the change.
bool ResourcePane::openChangedCopy(const QString &path)
{
    for (const QString &file : std::as_const(changedCopies)) {
        const OpenedCopy &copy = openedCopies[file];
        if (copy.archive == previewedArchive && copy.path == path && QFileInfo(file).isFile()) {
            dialogs->openUrl(QUrl::fromLocalFile(file));
            return true;
        }
    }
    // The copy about to be made again is not a change of the user's.
    for (auto it = openedCopies.begin(); it != openedCopies.end();) {
        if (it->archive == previewedArchive && it->path == path) {
            copyWatch->remove(it.key());
            it = openedCopies.erase(it);
        } else {
            ++it;
        }
    }
    return false;
}

void ResourcePane::notice(const QStringList &copies)
{
    for (const QString &file : copies) {
        if (openedCopies.contains(file) && QFileInfo(file).isFile()
            && !changedCopies.contains(file))
            changedCopies.append(file);
    }
    showCopyChanges();
}

void ResourcePane::showCopyChanges()
{
    if (changedCopies.isEmpty()) {
        copyChangedBar->hide();
        return;
    }
    const OpenedCopy &copy = openedCopies[changedCopies.first()];
    copyChangedLabel->setText(tr("资源 %1 已在其他程序中修改。").arg(copy.path));
    copyChangedBar->setToolTip(QDir::toNativeSeparators(copy.archive));
    copyChangedBar->show();
}

// Puts the copies back, one edit per archive; those whose archive took them
// are no longer changes.
void ResourcePane::putBack(const QStringList &copies)
{
    QList<JobItem> items;
    QStringList names;
    QHash<QString, QStringList> filesOf; // by archive
    QHash<QString, qsizetype> itemOf;
    for (const QString &file : copies) {
        const OpenedCopy &copy = openedCopies[file];
        auto at = itemOf.find(copy.archive);
        if (at == itemOf.end()) {
            items.append(JobItem());
            items.last().source = copy.archive;
            names.append(copy.theme);
            at = itemOf.insert(copy.archive, items.size() - 1);
        }
        items[*at].changes.append(ArchiveChange::add(file, copy.path));
        filesOf[copy.archive].append(file);
    }
    startEdits(items, names, tr("更新到主题文件"), [this, filesOf](const RunReport &report) {
        QStringList notIn;
        for (const RunFailure &failure : report.failures)
            notIn.append(failure.item);
        for (const UnfinishedTheme &theme : report.notDone)
            notIn.append(theme.item);
        for (auto it = filesOf.constBegin(); it != filesOf.constEnd(); ++it) {
            if (notIn.contains(it.key()))
                continue;
            for (const QString &file : it.value())
                changedCopies.removeOne(file);
        }
        showCopyChanges();
    });
}

void ResourcePane::putBackCurrentChange()
{
    if (!changedCopies.isEmpty())
        putBack({changedCopies.first()});
}

void ResourcePane::discardCurrentChange()
{
    if (!changedCopies.isEmpty())
        changedCopies.removeFirst();
    showCopyChanges();
}

bool ResourcePane::mayClose(bool &puttingBack)
{
    puttingBack = false;
    if (changedCopies.isEmpty())
        return true;
    QStringList paths;
    for (const QString &file : std::as_const(changedCopies))
        paths.append(openedCopies[file].path);
    WindowMessage question;
    question.kind = WindowMessage::Kind::Warning;
    question.title = tr("关闭");
    question.text = tr("下列资源已在其他程序中修改，还没有更新到主题文件：") + QLatin1Char('\n')
                    + paths.join(QLatin1Char('\n'));
    question.actionText = tr("更新到主题文件");
    question.secondActionText = tr("放弃修改");
    question.okText = tr("取消");
    switch (dialogs->showChoice(window(), question)) {
    case 1:
        putBack(changedCopies);
        puttingBack = runGoing();
        return false;
    case 2:
        changedCopies.clear();
        showCopyChanges();
        return true;
    default: return false;
    }
}
