// SPDX-License-Identifier: MIT
// A window that takes files and folders dropped on it (text/uri-list) and
// copies them into the folder named on its command line, as a file
// manager's folder window does: lets a person (or xdotool) check dragging
// out of Velmoro under a real X server. Not run by ctest.
// Usage: droptarget FOLDER

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMimeData>
#include <QUrl>

namespace {

// Copies a file, or a folder with everything in it, into `folder`.
bool copyInto(const QString &source, const QString &folder)
{
    const QFileInfo info(source);
    const QString target = folder + QLatin1Char('/') + info.fileName();
    if (!info.isDir())
        return QFile::copy(source, target);
    bool copied = QDir().mkpath(target);
    QDirIterator it(source, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString copy = target + QLatin1Char('/') + QDir(source).relativeFilePath(path);
        copied = (it.fileInfo().isDir() ? QDir().mkpath(copy) : QFile::copy(path, copy)) && copied;
    }
    return copied;
}

class DropTarget : public QLabel
{
public:
    explicit DropTarget(const QString &targetFolder) : folder(targetFolder)
    {
        setAcceptDrops(true);
        setAlignment(Qt::AlignCenter);
        setMinimumSize(320, 200);
        setText(QStringLiteral("drop files here\n(copied into %1)").arg(folder));
    }

protected:
    void dragEnterEvent(QDragEnterEvent *event) override
    {
        if (event->mimeData()->hasUrls())
            event->acceptProposedAction();
    }

    void dropEvent(QDropEvent *event) override
    {
        QStringList lines;
        for (const QUrl &url : event->mimeData()->urls()) {
            if (!url.isLocalFile())
                continue;
            const QString source = url.toLocalFile();
            lines.append(
                (copyInto(source, folder) ? QStringLiteral("copied ") : QStringLiteral("FAILED "))
                + QFileInfo(source).fileName());
        }
        event->setDropAction(Qt::CopyAction);
        event->accept();
        setText(lines.join(QLatin1Char('\n')) + QStringLiteral("\n(into %1)").arg(folder));
    }

private:
    QString folder;
};

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QString folder = QDir(app.arguments().value(1, QDir::currentPath())).absolutePath();
    QDir().mkpath(folder);
    DropTarget target(folder);
    target.setWindowTitle(QStringLiteral("droptarget"));
    target.show();
    return app.exec();
}
