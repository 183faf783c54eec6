// SPDX-License-Identifier: MIT
#include "ScratchFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

std::unique_ptr<QTemporaryDir> makeScratchFolder()
{
    auto folder = std::make_unique<QTemporaryDir>(
        QDir::tempPath() + QStringLiteral("/velmoro-")
        + QString::number(QCoreApplication::applicationPid()) + QStringLiteral("-XXXXXX"));
    if (!folder->isValid())
        return nullptr;
    return folder;
}
