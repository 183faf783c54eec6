// SPDX-License-Identifier: MIT
// 比较… on the unpack table: the row's archive against another one the user
// chooses, compared in the background and shown in a dialog of its own.

#include "app/window/Velmoro.h"

#include "CompareDialog.h"
#include "ComparisonRun.h"
#include "app/run/FailureReason.h"
#include "app/window/DialogSeam.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QTableWidget>

namespace {

// Why the two could not be compared: which archive, the window's word for
// it where it has one, and the library's own reason.
WindowMessage comparisonFailure(const ComparisonRun &run)
{
    const ThemeError &error = run.error();
    const QString archive = error.path.isEmpty() ? run.oldArchive() : error.path;
    QString reason = refusalReason(error.kind);
    reason += (reason.isEmpty() ? QString() : QStringLiteral("：")) + error.message;
    if (!error.reason().isEmpty())
        reason += QStringLiteral(" (") + error.reason() + QLatin1Char(')');
    WindowMessage message;
    message.kind = WindowMessage::Kind::Warning;
    message.title = Velmoro::tr("比较主题文件");
    message.text = Velmoro::tr("无法比较这两个主题文件。") + QLatin1Char('\n')
                   + QDir::toNativeSeparators(archive) + Velmoro::tr("：") + reason;
    return message;
}

} // namespace

void Velmoro::addCompareAction()
{
    compareArchiveAction = new QAction(tr("比较…"), this);
    compareArchiveAction->setObjectName(QStringLiteral("compareArchiveAction"));
    connect(compareArchiveAction, &QAction::triggered, this, &Velmoro::compareThemeFile);
    themeFileTable->addAction(compareArchiveAction);
}

void Velmoro::compareThemeFile()
{
    const QTableWidgetItem *current = themeFileTable->currentItem();
    if (!current)
        return;
    const QString oldArchive =
        QDir::fromNativeSeparators(themeFileTable->item(current->row(), 1)->text());
    // The other version of a theme is most often found beside this one.
    const QStringList chosen = dialogs->openFileNames(this, tr("选择要比较的主题文件"),
                                                      QFileInfo(oldArchive).absolutePath(),
                                                      QStringLiteral("天天动听主题文件 (*.tsk)"));
    if (chosen.isEmpty())
        return;
    auto *run = new ComparisonRun(oldArchive, chosen.first(), this);
    connect(run, &ComparisonRun::finished, this, [this, run] {
        run->deleteLater();
        if (run->error().failed()) {
            dialogs->showMessage(this, comparisonFailure(*run));
            return;
        }
        auto *dialog =
            new CompareDialog(run->oldArchive(), run->newArchive(), run->differences(), this);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->show();
    });
    run->start();
}
