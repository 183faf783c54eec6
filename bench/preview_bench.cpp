// Times how long the preview tree takes to show an archive's resources:
// prints one figure in milliseconds per run. Usage: preview_bench COUNT RUNS

#include "app/DialogSeam.h"
#include "app/Velmoro.h"
#include "archive/ThemePacker.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTextStream>

namespace {

class OneArchive : public DialogSeam
{
public:
    explicit OneArchive(const QString &path) : path(path) {}
    QStringList openFileNames(QWidget *, const QString &, const QString &, const QString &) override
    {
        return {path};
    }

private:
    QString path;
};

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const int count = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 20000;
    const int runs = argc > 2 ? QString::fromLocal8Bit(argv[2]).toInt() : 5;

    QTemporaryDir temp;
    qputenv("XDG_DATA_HOME", temp.filePath(QStringLiteral("data")).toUtf8());
    const QString theme = temp.filePath(QStringLiteral("theme"));
    QRandomGenerator random(7);
    static const char *const types[] = {".png", ".jpg", ".xml", ".9.png", ".txt", ".ogg"};
    for (int i = 0; i < count; ++i) {
        const QString folder = theme + QStringLiteral("/folder%1/sub%2").arg(i % 200).arg(i % 7);
        QDir().mkpath(folder);
        QFile file(folder + QStringLiteral("/res%1%2").arg(i).arg(QLatin1String(types[i % 6])));
        file.open(QIODevice::WriteOnly);
        file.write(QByteArray(int(random.bounded(4096)), 'x'));
    }
    ThemePacker packer;
    packer.folderPath = theme;
    packer.themeFilePath = temp.filePath(QStringLiteral("theme.tsk"));
    if (!packer.pack())
        return 1;

    Velmoro window;
    OneArchive dialogs(packer.themeFilePath);
    window.setDialogSeam(&dialogs);
    window.show();
    QMetaObject::invokeMethod(&window, "addThemeFile");
    auto *table = window.findChild<QTableWidget *>(QStringLiteral("themeFileTable"));
    QCoreApplication::processEvents();

    QTextStream out(stdout);
    for (int run = 0; run < runs; ++run) {
        table->clearSelection();
        QCoreApplication::processEvents();
        QElapsedTimer timer;
        timer.start();
        table->selectRow(0);            // fills the tree
        QCoreApplication::processEvents(); // and lays it out and paints it
        out << timer.nsecsElapsed() / 1e6 << '\n';
    }
    return 0;
}
