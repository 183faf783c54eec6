#pragma once

#include <QString>
#include <QStringList>

class QWidget;

// The file dialogs the window opens, behind one small seam so that tests can
// answer them; the default opens the toolkit's dialogs.
class DialogSeam
{
public:
    virtual ~DialogSeam() = default;

    // A folder, or an empty text when the user cancelled.
    virtual QString existingDirectory(QWidget *parent, const QString &caption, const QString &startDir);

    // Existing files, or none when the user cancelled.
    virtual QStringList openFileNames(QWidget *parent, const QString &caption,
                                      const QString &startDir, const QString &filter);
};
