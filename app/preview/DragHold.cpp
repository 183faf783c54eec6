// SPDX-License-Identifier: MIT
#include "DragHold.h"

#include "DesktopCopies.h"

#include <QApplication>
#include <QEventLoop>
#include <QKeyEvent>
#include <QMouseEvent>

namespace {

class DragHold : public QObject
{
public:
    DragHold() { qApp->installEventFilter(this); }
    ~DragHold() override { qApp->removeEventFilter(this); }

    QEventLoop loop;
    bool gaveUp = false;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        switch (event->type()) {
        case QEvent::MouseButtonRelease:
            if (static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton)
                giveUp();
            return false; // the view ends its press as usual
        case QEvent::KeyPress:
            if (static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape)
                giveUp();
            return true;
        case QEvent::MouseMove:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::KeyRelease:
        case QEvent::Wheel:
        case QEvent::ShortcutOverride: return true; // no selection, no second drag, no command
        default: return false;
        }
    }

private:
    void giveUp()
    {
        gaveUp = true;
        loop.quit();
    }
};

} // namespace

bool holdDragUntilReady(DesktopCopy &copy)
{
    if (!copy.over()) {
        DragHold hold;
        copy.finished = [&hold] { hold.loop.quit(); };
        QApplication::setOverrideCursor(Qt::BusyCursor);
        hold.loop.exec();
        QApplication::restoreOverrideCursor();
        copy.finished = nullptr;
        if (hold.gaveUp)
            return false;
    }
    return copy.state == DesktopCopy::State::Ready;
}
