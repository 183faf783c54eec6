// SPDX-License-Identifier: MIT
#include "FailureReason.h"

#include <QCoreApplication>
#include <QDir>

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("Velmoro", text);
}

QString packReason(ThemeFailure failure)
{
    switch (failure) {
    case ThemeFailure::Missing:
        return tr("找不到这个主题资源文件夹，它可能已被移动、改名或删除。请把它重新加入列表。");
    case ThemeFailure::Unreadable:
        return tr("这个文件夹（或其中的文件、子文件夹）无法读取。请检查它们的读取权限后重试。");
    case ThemeFailure::BadName:
        return tr("有文件名无法存入主题文件（不是有效的 UTF-8 文字）。请给这些文件改名后重试。");
    case ThemeFailure::TooLarge:
        return tr("主题太大：一个主题文件最多容纳 2 GB 内容、1,000,000 个文件和 100,000 个文件夹"
                  "（经由链接多次到达的文件夹每次都算）。请把主题拆小，或去掉重复的链接。");
    case ThemeFailure::Conflict:
        return tr("主题文件会覆盖正在打包的资源。请换一个主题名称或工作目录。");
    case ThemeFailure::Unwritable: return tr("无法写入主题文件。请确认工作目录存在并且可以写入。");
    case ThemeFailure::DiskFull:
        return tr(
            "磁盘空间已满，主题文件没能写完（原有的同名主题文件保持不变）。请腾出空间后重试。");
    case ThemeFailure::FileTooLarge:
        return tr(
            "主题文件超过了系统允许本程序写入的文件大小（ulimit -f），没能写完（原有的同名主题文件保持不变）。请放宽这个限制后重试。");
    case ThemeFailure::BadThemeName:
        return tr("主题名称无法存入主题文件（太长，或含有“..”）。请修改主题名称后重试。");
    default: return tr("主题没有打包成功，原因见详细信息。");
    }
}

QString unpackReason(ThemeFailure failure)
{
    switch (failure) {
    case ThemeFailure::Missing:
        return tr("找不到这个主题文件，它可能已被移动、改名或删除。请把它重新加入列表。");
    case ThemeFailure::Unreadable: return tr("这个主题文件无法读取。请检查它的读取权限后重试。");
    case ThemeFailure::NotArchive: return tr("这个文件不是主题文件。");
    case ThemeFailure::Damaged: return tr("主题文件已损坏，没有解压。请重新获取这个主题文件。");
    case ThemeFailure::Unsafe:
        return tr(
            "主题文件含有指向目标文件夹之外的路径，为了安全没有解压。请向主题的提供者确认它的来源。");
    case ThemeFailure::BadName: return tr("主题文件里有无法用作文件名的名称，没有解压。");
    case ThemeFailure::TooLarge: return tr("主题文件太大，无法解压。");
    case ThemeFailure::Conflict: return tr("解压会覆盖正在读取的主题文件。请换一个工作目录。");
    case ThemeFailure::Unwritable:
        return tr("无法写入解压出的文件。请确认工作目录存在并且可以写入。");
    case ThemeFailure::DiskFull: return tr("磁盘空间已满，主题没能全部解压。请腾出空间后重试。");
    case ThemeFailure::FileTooLarge:
        return tr(
            "有文件超过了系统允许本程序写入的文件大小（ulimit -f），没能写出（原有的文件保持不变）。请放宽这个限制后重试。");
    default: return tr("主题没有解压成功，原因见详细信息。");
    }
}

// An edit names the resource or file it could not take; the library's
// message beside the reason says which.
QString editReason(ThemeFailure failure)
{
    switch (failure) {
    case ThemeFailure::Missing: return tr("要添加的文件已不存在，或主题文件里已没有要修改的资源。");
    case ThemeFailure::Unreadable: return tr("要添加的文件无法读取。请检查它的读取权限后重试。");
    case ThemeFailure::BadName:
        return tr("这个名称不能存入主题文件（为空、以“.”开头，或不是有效的 UTF-8 文字）。");
    case ThemeFailure::Unsafe: return tr("这个名称会指向主题文件夹之外（含有“..”）。");
    case ThemeFailure::Conflict:
        return tr("主题文件里已有这个名称的资源或文件夹，或主题文件不能添加到它自己里面。");
    case ThemeFailure::Busy: return tr("另一次修改正在写入这个主题文件。请等它完成后重试。");
    case ThemeFailure::NotArchive:
    case ThemeFailure::Damaged: return unpackReason(failure);
    default: return packReason(failure);
    }
}

// Something the user can move stands where a folder is to be written.
QString inTheWayReason(const ThemeError &error)
{
    const QString path = QDir::toNativeSeparators(error.path);
    if (error.kind == ThemeFailure::LinkInWay)
        return tr("%1 是一个符号链接，为了安全，不会经由它写入文件。请删除或改名这个链接，或换一个目标文件夹后重试。")
            .arg(path);
    return tr("%1 是一个文件，占据了要创建的文件夹的位置。请移走或改名这个文件，或换一个目标文件夹后重试。")
        .arg(path);
}

} // namespace

QString failureReason(RunKind kind, const ThemeError &error)
{
    if (kind == RunKind::Edit && error.kind == ThemeFailure::PermissionDenied)
        return tr("系统不允许写入这个主题文件或它所在的文件夹。请修改它们的权限后重试。");
    switch (error.kind) {
    case ThemeFailure::PermissionDenied:
        return tr("系统不允许在目标文件夹中写入。请换一个工作目录，或修改该文件夹的权限。");
    case ThemeFailure::LinkInWay:
    case ThemeFailure::FileInWay: return inTheWayReason(error);
    default: break;
    }
    switch (kind) {
    case RunKind::Pack: return packReason(error.kind);
    case RunKind::Edit: return editReason(error.kind);
    default: return unpackReason(error.kind);
    }
}

QString refusalReason(ThemeFailure failure)
{
    switch (failure) {
    case ThemeFailure::Damaged: return tr("损坏");
    case ThemeFailure::Unsafe: return tr("含有指向目标文件夹之外的路径");
    case ThemeFailure::TooLarge: return tr("条目过多或名称过长");
    default: return QString();
    }
}
