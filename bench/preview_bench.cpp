// SPDX-License-Identifier: MIT
// Times the unpack tab's preview of a large theme; prints one figure in
// milliseconds per sample. Usage: preview_bench COUNT RUNS [MODE]
//   fill    how long the tree takes to show COUNT resources (the default)
//   select  how long selecting a 1 MB PNG among COUNT resources of 1 GiB in
//           all takes until the pane shows it
//   filter  how long each keystroke in the filter over COUNT resources takes
//           until the tree is shown again

#include "app/preview/ResourceViewer.h"
#include "app/window/DialogSeam.h"
#include "app/window/Velmoro.h"
#include "archive/ThemePacker.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QRandomGenerator>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTreeWidget>

namespace {

class OneArchive : public DialogSeam
{
public:
    explicit OneArchive(const QString &path) : archive(path) {}
    QStringList openFileNames(QWidget *, const QString &, const QString &, const QString &) override
    {
        return {archive};
    }

private:
    QString archive;
};

// Resources in 200 folders of 7 sub-folders each, of the given sizes.
void writeResources(const QString &theme, int count, qint64 sizeEach)
{
    QRandomGenerator random(7);
    static const char *const types[] = {".png", ".jpg", ".xml", ".9.png", ".txt", ".ogg"};
    // One block of noise, written in pieces, so 1 GiB is written quickly.
    QByteArray noise(qsizetype(4) * 1024 * 1024, Qt::Uninitialized);
    random.fillRange(reinterpret_cast<quint32 *>(noise.data()), noise.size() / 4);
    for (int i = 0; i < count; ++i) {
        const QString folder = theme + QStringLiteral("/folder%1/sub%2").arg(i % 200).arg(i % 7);
        QDir().mkpath(folder);
        QFile file(folder + QStringLiteral("/res%1%2").arg(i).arg(QLatin1String(types[i % 6])));
        file.open(QIODevice::WriteOnly);
        const qint64 size = sizeEach > 0 ? sizeEach : random.bounded(4096);
        for (qint64 left = size; left > 0;) {
            const qint64 piece = qMin<qint64>(left, noise.size() - (i % 4096));
            file.write(noise.constData() + i % 4096, piece);
            left -= piece;
        }
    }
}

// A PNG of noise of just over 1 MiB (noise does not compress).
void writePicture(const QString &path)
{
    QImage image(600, 600, QImage::Format_RGB32);
    QRandomGenerator random(11);
    for (int y = 0; y < image.height(); ++y)
        random.fillRange(reinterpret_cast<quint32 *>(image.scanLine(y)), image.width());
    image.save(path, "PNG");
}

QTreeWidgetItem *findRow(QTreeWidgetItem *item, const QString &name)
{
    for (int i = 0; i < item->childCount(); ++i) {
        QTreeWidgetItem *child = item->child(i);
        if (child->text(0) == name)
            return child;
        if (QTreeWidgetItem *found = findRow(child, name))
            return found;
    }
    return nullptr;
}

void typeKey(QWidget *field, Qt::Key key, const QString &text)
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(field, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(field, &release);
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const int count = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 20000;
    const int runs = argc > 2 ? QString::fromLocal8Bit(argv[2]).toInt() : 5;
    const QString mode = argc > 3 ? QString::fromLocal8Bit(argv[3]) : QStringLiteral("fill");

    QTemporaryDir temp;
    qputenv("XDG_DATA_HOME", temp.filePath(QStringLiteral("data")).toUtf8());
    const QString theme = temp.filePath(QStringLiteral("theme"));
    const bool select = mode == QLatin1String("select");
    const qint64 gib = qint64(1) << 30;
    writeResources(theme, select ? count - 1 : count, select ? gib / count : 0);
    const QString picture = theme + QStringLiteral("/folder0/sub0/picture.png");
    if (select)
        writePicture(picture);
    ThemePacker packer;
    packer.folderPath = theme;
    packer.themeFilePath = temp.filePath(QStringLiteral("theme.tsk"));
    if (!packer.pack())
        return 1;
    QDir(theme).removeRecursively(); // the archive's pages stay in the cache, as after a pack

    Velmoro window;
    OneArchive dialogs(packer.themeFilePath);
    window.setDialogSeam(&dialogs);
    window.show();
    QMetaObject::invokeMethod(&window, "addThemeFile");
    auto *table = window.findChild<QTableWidget *>(QStringLiteral("themeFileTable"));
    auto *tree = window.findChild<QTreeWidget *>(QStringLiteral("resourceTree"));
    auto *pane = window.findChild<ResourceViewer *>(QStringLiteral("resourceViewer"));
    auto *filter = window.findChild<QLineEdit *>(QStringLiteral("resourceFilterEdit"));
    QCoreApplication::processEvents();

    QTextStream out(stdout);
    if (mode == QLatin1String("fill")) {
        for (int run = 0; run < runs; ++run) {
            table->clearSelection();
            QCoreApplication::processEvents();
            QElapsedTimer timer;
            timer.start();
            table->selectRow(0);               // fills the tree
            QCoreApplication::processEvents(); // and lays it out and paints it
            out << double(timer.nsecsElapsed()) / 1e6 << '\n';
        }
    } else if (select) {
        table->selectRow(0);
        QCoreApplication::processEvents();
        QTreeWidgetItem *top = tree->topLevelItem(0);
        QTreeWidgetItem *png = findRow(top, QStringLiteral("picture.png"));
        if (!png)
            return 1;
        for (int run = 0; run < runs; ++run) {
            tree->setCurrentItem(top); // the pane shows its hint
            QCoreApplication::processEvents();
            QEventLoop shown;
            QObject::connect(pane, &ResourceViewer::resourceShown, &shown, &QEventLoop::quit);
            QElapsedTimer timer;
            timer.start();
            tree->setCurrentItem(png);
            if (pane->isLoading())
                shown.exec();
            QCoreApplication::processEvents(); // painted
            out << double(timer.nsecsElapsed()) / 1e6 << '\n';
        }
    } else if (mode == QLatin1String("filter")) {
        table->selectRow(0);
        window.activateWindow();
        filter->setFocus(); // as a person clicks into it before typing
        QCoreApplication::processEvents();
        const QString typed = QStringLiteral("sub3/res1");
        for (int run = 0; run < runs; ++run) {
            for (const QChar c : typed) {
                QElapsedTimer timer;
                timer.start();
                typeKey(filter, Qt::Key_unknown, QString(c));
                QCoreApplication::processEvents();
                out << double(timer.nsecsElapsed()) / 1e6 << '\n';
            }
            // Emptying the field shows every row again: a keystroke too.
            filter->selectAll();
            QElapsedTimer timer;
            timer.start();
            typeKey(filter, Qt::Key_Backspace, QString());
            QCoreApplication::processEvents();
            out << double(timer.nsecsElapsed()) / 1e6 << '\n';
        }
    } else {
        return 2;
    }
    return 0;
}
