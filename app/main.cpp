#include "Velmoro.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    Velmoro window;
    window.show();
    return app.exec();
}
