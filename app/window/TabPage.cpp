// SPDX-License-Identifier: MIT
#include "TabPage.h"

#include <QBoxLayout>
#include <QPushButton>

QPushButton *namedButton(const QString &text, const char *objectName)
{
    auto *button = new QPushButton(text);
    button->setObjectName(QLatin1String(objectName));
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
