// SPDX-License-Identifier: MIT
#include "TabPage.h"

#include <QBoxLayout>
#include <QKeyEvent>
#include <QPushButton>

namespace {

// Enter or Return on a button that has the keyboard focus presses it, as
// Space does: outside a dialog the toolkit's buttons take only Space, and
// a person who reached a button with Tab expects Enter to work.
class EnterPresses : public QObject
{
public:
    explicit EnterPresses(QPushButton *button) : QObject(button), pressed(button) {}

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        const auto *key = static_cast<QKeyEvent *>(event);
        const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        if (!enter || (key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
            return false;
        pressed->click();
        return true;
    }

private:
    QPushButton *pressed;
};

} // namespace

QPushButton *namedButton(const QString &text, const char *objectName)
{
    auto *button = new QPushButton(text);
    button->setObjectName(QLatin1String(objectName));
    button->installEventFilter(new EnterPresses(button));
    return button;
}

QWidget *tabPage(const char *objectName, QWidget *content, QPushButton *add, QPushButton *remove,
                 QPushButton *run)
{
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(add);
    buttons->addWidget(remove);
    buttons->addStretch(0);
    buttons->addWidget(run);
    auto *layout = new QVBoxLayout;
    layout->addWidget(content);
    layout->addLayout(buttons);
    auto *page = new QWidget;
    page->setObjectName(QLatin1String(objectName));
    page->setLayout(layout);
    return page;
}
