// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QStringList>

class QUrl;
class QWidget;

// A message box as the window asks for one.
struct WindowMessage
{
    enum class Kind { Information, Warning, About };
    Kind kind = Kind::Information;
    QString title;
    QString text;
    QString details;          // behind the box's details button; empty for none
    QString actionText;       // an extra button beside OK ("打开文件夹"); empty for none
    QString secondActionText; // a second one, for showChoice(); empty for none
    QString okText;           // what OK says instead, when it means something else ("取消")
};

// The dialogs and boxes the window opens, and the file manager and
// applications it hands folders and files to, behind one small seam so that tests can answer them
// and see exactly what was shown; the default uses the toolkit and the desktop.
class DialogSeam
{
public:
    virtual ~DialogSeam() = default;

    // A folder, or an empty text when the user cancelled.
    virtual QString existingDirectory(QWidget *parent, const QString &caption,
                                      const QString &startDir);

    // Existing files, or none when the user cancelled.
    virtual QStringList openFileNames(QWidget *parent, const QString &caption,
                                      const QString &startDir, const QString &filter);

    // Shows the box until the user closes it; true when its extra button did.
    virtual bool showMessage(QWidget *parent, const WindowMessage &message);

    // Shows the box until the user closes it: 1 when its extra button did,
    // 2 its second one, 0 OK (or Escape, or the title bar's close button).
    virtual int showChoice(QWidget *parent, const WindowMessage &message);

    // Shows the folder in the desktop's file manager; false when the
    // desktop has none.
    virtual bool openFolder(const QString &folder);

    // Shows the file or folder in the desktop's file manager, selected in
    // the folder that holds it where the platform offers that, else opens
    // that folder; false when the desktop has no file manager.
    virtual bool showInFileManager(const QString &path);

    // Hands a file to the desktop's default application for its type; false
    // when the desktop has none.
    virtual bool openUrl(const QUrl &url);
};
