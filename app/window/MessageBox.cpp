// SPDX-License-Identifier: MIT
#include "MessageBox.h"

#include <QBoxLayout>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextEdit>

namespace {

// Lines in view before a list scrolls: a box of a few failures shows them
// all, one of hundreds stays the size of a dozen.
constexpr int linesInView = 12;

// Room kept free around the box for the window manager's title bar and
// borders, which the box cannot measure before it is shown.
constexpr int frameAllowance = 48;

// A read-only list of lines (they can still be selected and copied for
// support) that asks for room for a few of them and scrolls for the rest.
// A line that wraps stays apart from the next by a gap.
class LineList : public QTextEdit
{
public:
    LineList(const QString &text, const char *objectName, bool wrapped)
    {
        setObjectName(QLatin1String(objectName));
        setReadOnly(true);
        setAcceptRichText(false);
        setPlainText(text);
        setLineWrapMode(wrapped ? QTextEdit::WidgetWidth : QTextEdit::NoWrap);
        const QFontMetrics metrics = fontMetrics();
        if (wrapped) {
            QTextBlockFormat gap;
            gap.setBottomMargin(metrics.lineSpacing() / 2.0);
            QTextCursor all(document());
            all.select(QTextCursor::Document);
            all.mergeBlockFormat(gap);
        }
        int widest = 0;
        const QStringList lines = text.split(QLatin1Char('\n'));
        for (const QString &line : lines)
            widest = qMax(widest, metrics.horizontalAdvance(line));
        const int frame = 2 * (frameWidth() + int(document()->documentMargin()));
        const int scrollBar = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
        preferred =
            QSize(qMin(widest, 60 * metrics.averageCharWidth()) + frame + scrollBar,
                  int(qMin<qsizetype>(lines.size(), linesInView)) * metrics.lineSpacing() + frame);
    }

    QSize sizeHint() const override { return preferred; }
    QSize minimumSizeHint() const override
    {
        return QSize(preferred.width() / 3, fontMetrics().lineSpacing() * 2);
    }

private:
    QSize preferred;
};

QIcon iconFor(WindowMessage::Kind kind, const QStyle *style)
{
    return style->standardIcon(kind == WindowMessage::Kind::Warning
                                   ? QStyle::SP_MessageBoxWarning
                                   : QStyle::SP_MessageBoxInformation);
}

} // namespace

MessageBox::MessageBox(const WindowMessage &message, QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("messageBox"));
    setWindowTitle(message.title);
    const qsizetype lineEnd = message.text.indexOf(QLatin1Char('\n'));

    iconLabel = new QLabel;
    iconLabel->setObjectName(QStringLiteral("iconLabel"));
    const int iconSize = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
    iconLabel->setPixmap(iconFor(message.kind, style()).pixmap(iconSize, iconSize));
    iconLabel->setAlignment(Qt::AlignTop);
    headlineLabel = new QLabel(message.text.left(lineEnd));
    headlineLabel->setObjectName(QStringLiteral("headlineLabel"));
    headlineLabel->setTextFormat(Qt::PlainText);
    headlineLabel->setWordWrap(true);
    headlineLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // A short message stays on one line; a long one wraps well before the
    // screen's edge.
    headlineLabel->setMinimumWidth(
        qMin(headlineLabel->fontMetrics().horizontalAdvance(headlineLabel->text()),
             screenRoom().width() / 2));

    auto *textColumn = new QVBoxLayout;
    textColumn->addWidget(headlineLabel);
    if (lineEnd >= 0) {
        itemList = new LineList(message.text.mid(lineEnd + 1), "itemList", true);
        textColumn->addWidget(itemList, 1);
    } else {
        textColumn->addStretch(1);
    }
    auto *top = new QHBoxLayout;
    top->addWidget(iconLabel);
    top->addLayout(textColumn, 1);

    auto *buttons = new QDialogButtonBox;
    okButton = buttons->addButton(QDialogButtonBox::Ok);
    okButton->setObjectName(QStringLiteral("okButton"));
    okButton->setDefault(true);
    connect(okButton, &QPushButton::clicked, this, &QDialog::accept);
    if (!message.okText.isEmpty())
        okButton->setText(message.okText);
    if (!message.actionText.isEmpty())
        actionButton = addChoice(buttons, message.actionText, "actionButton", 1);
    if (!message.secondActionText.isEmpty())
        secondActionButton = addChoice(buttons, message.secondActionText, "secondActionButton", 2);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    if (!message.details.isEmpty()) {
        detailsButton = buttons->addButton(tr("显示详情…"), QDialogButtonBox::ActionRole);
        detailsButton->setObjectName(QStringLiteral("detailsButton"));
        connect(detailsButton, &QPushButton::clicked, this, &MessageBox::toggleDetails);
        detailsView = new LineList(message.details, "detailsView", false);
        detailsView->hide();
        layout->addWidget(detailsView, 1);
    }
    layout->addWidget(buttons);
    okButton->setFocus();
    fitToScreen();
}

QPushButton *MessageBox::addChoice(QDialogButtonBox *buttons, const QString &text, const char *name,
                                   int answer)
{
    QPushButton *button = buttons->addButton(text, QDialogButtonBox::ActionRole);
    button->setObjectName(QLatin1String(name));
    connect(button, &QPushButton::clicked, this, [this, answer] {
        chosen = answer;
        accept();
    });
    return button;
}

// The screen's free area, less the room the window manager's frame takes.
QRect MessageBox::screenRoom() const
{
    const QScreen *screen = parentWidget() ? parentWidget()->screen() : this->screen();
    return screen->availableGeometry().adjusted(0, 0, -frameAllowance / 2, -frameAllowance);
}

// The box asks for what its lines need, and never more than the screen has;
// what does not fit scrolls in its list.
void MessageBox::fitToScreen()
{
    const QSize room = screenRoom().size();
    setMaximumSize(room);
    layout()->activate();
    resize(sizeHint().boundedTo(room));
}

void MessageBox::toggleDetails()
{
    const bool show = detailsView->isHidden();
    detailsView->setVisible(show);
    detailsButton->setText(show ? tr("隐藏详情…") : tr("显示详情…"));
    fitToScreen();
}
