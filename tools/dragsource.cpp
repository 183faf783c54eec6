// SPDX-License-Identifier: MIT
// A window that starts a file drag of its arguments when pressed: lets a
// person (or xdotool) check drag and drop between programs under a real X
// server. Not run by ctest.

#include <QApplication>
#include <QDrag>
#include <QLabel>
#include <QMimeData>
#include <QMouseEvent>
#include <QUrl>

class DragSource : public QLabel
{
public:
    explicit DragSource(const QStringList &dragged) : paths(dragged)
    {
        setText(QStringLiteral("drag me: ") + dragged.join(QStringLiteral(", ")));
        setMinimumSize(300, 100);
    }

protected:
    void mousePressEvent(QMouseEvent *) override
    {
        QList<QUrl> urls;
        for (const QString &path : paths)
            urls.append(QUrl::fromLocalFile(path));
        auto *mime = new QMimeData;
        mime->setUrls(urls);
        auto *drag = new QDrag(this);
        drag->setMimeData(mime);
        drag->exec(Qt::CopyAction);
    }

private:
    QStringList paths;
};

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    DragSource source(app.arguments().mid(1));
    source.setWindowTitle(QStringLiteral("dragsource"));
    source.show();
    return app.exec();
}
