// SPDX-License-Identifier: MIT
#include "ResourceViewer.h"

#include "ImageCanvas.h"
#include "app/run/FailureReason.h"
#include "util/FormatSize.h"

#include <QBoxLayout>
#include <QFileInfo>
#include <QLabel>
#include <QPlainTextEdit>

namespace {

QString extensionOf(const QString &entryName)
{
    const QString fileName = entryName.mid(entryName.lastIndexOf(QLatin1Char('/')) + 1);
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? QString() : fileName.mid(dot);
}

// How long a read may take before the pane says it is reading: quicker ones
// go straight from one resource to the next without a flicker.
constexpr int readingNoticeDelay = 200;

} // namespace

ResourceViewer::ResourceViewer(QWidget *parent) : QStackedWidget(parent)
{
    messagePage = new QWidget;
    messagePage->setObjectName(QStringLiteral("messagePage"));
    messageIcon = new QLabel;
    messageIcon->setObjectName(QStringLiteral("messageIcon"));
    messageIcon->setAlignment(Qt::AlignCenter);
    messageLabel = new QLabel;
    messageLabel->setObjectName(QStringLiteral("messageLabel"));
    messageLabel->setAlignment(Qt::AlignCenter);
    messageLabel->setWordWrap(true);
    messageLabel->setTextFormat(Qt::PlainText);
    auto *messageLayout = new QVBoxLayout(messagePage);
    messageLayout->addStretch(1);
    messageLayout->addWidget(messageIcon);
    messageLayout->addWidget(messageLabel);
    messageLayout->addStretch(1);

    imagePage = new QWidget;
    imagePage->setObjectName(QStringLiteral("imagePage"));
    imageCanvas = new ImageCanvas;
    imageCanvas->setObjectName(QStringLiteral("imageCanvas"));
    imageCaption = new QLabel;
    imageCaption->setObjectName(QStringLiteral("imageCaption"));
    imageCaption->setAlignment(Qt::AlignCenter);
    imageCaption->setTextFormat(Qt::PlainText);
    auto *imageLayout = new QVBoxLayout(imagePage);
    imageLayout->setContentsMargins(4, 4, 4, 4);
    imageLayout->addWidget(imageCanvas, 1);
    imageLayout->addWidget(imageCaption);

    textView = new QPlainTextEdit;
    textView->setObjectName(QStringLiteral("textView"));
    textView->setReadOnly(true);
    textView->setLineWrapMode(QPlainTextEdit::WidgetWidth);

    setFrameShape(QFrame::StyledPanel); // a pane of its own, like the tree beside it
    addWidget(messagePage);
    addWidget(imagePage);
    addWidget(textView);

    // One worker for the newest request and one for a large one still
    // decoding, so a new selection never waits behind an old one.
    workers.setMaxThreadCount(2);
    readingNotice.setSingleShot(true);
    readingNotice.setInterval(readingNoticeDelay);
    connect(&readingNotice, &QTimer::timeout, this, [this] { showMessage(tr("正在读取…")); });
    showHint();
}

ResourceViewer::~ResourceViewer()
{
    if (stopLatest)
        *stopLatest = true;
    workers.waitForDone();
}

QWidget *ResourceViewer::focusPart() const
{
    return textView;
}

void ResourceViewer::showMessage(const QString &text, const QIcon &icon)
{
    messageLabel->setText(text);
    messageIcon->setPixmap(icon.isNull() ? QPixmap() : icon.pixmap(32, 32));
    messageIcon->setVisible(!icon.isNull());
    setCurrentWidget(messagePage);
}

void ResourceViewer::showHint()
{
    if (stopLatest)
        *stopLatest = true;
    stopLatest.reset();
    ++latestRequest; // a result still on its way is not shown
    readingNotice.stop();
    showMessage(tr("选择一个资源文件即可在这里预览。"));
    textView->clear();
    imageCanvas->setImage(QImage(), QSize());
}

void ResourceViewer::showResource(const QString &archivePath, const QString &entryName, qint64 size,
                                  const QIcon &typeIcon)
{
    if (stopLatest)
        *stopLatest = true; // the older request is no longer wanted
    const quint64 request = ++latestRequest;
    latestType = extensionOf(entryName);
    latestSize = size;
    latestIcon = typeIcon;

    ResourceRequest what;
    what.archivePath = archivePath;
    what.entryName = entryName;
    what.size = size;
    what.image = isImageType(latestType.mid(1));
    what.text = isTextType(latestType.mid(1));
    auto stop = std::make_shared<std::atomic<bool>>(false);
    stopLatest = stop;
    readingNotice.start();
    workers.start([this, request, what, stop] {
        const DecodedResource result = decodeResource(what, *stop);
        // Delivered on the GUI thread; dropped if the pane is gone by then.
        QMetaObject::invokeMethod(
            this, [this, request, result] { finish(request, result); }, Qt::QueuedConnection);
    });
}

void ResourceViewer::finish(quint64 request, const DecodedResource &result)
{
    if (request != latestRequest)
        return; // a newer selection has taken its place
    stopLatest.reset();
    readingNotice.stop();

    const QString sizeText = formatSize(latestSize);
    const QString typeText = latestType.isEmpty() ? tr("（无扩展名）") : latestType;
    switch (result.kind) {
    case DecodedResource::Kind::Image:
        imageCanvas->setImage(result.image, result.pixelSize);
        imageCaption->setText(
            tr("%1 x %2 像素").arg(result.pixelSize.width()).arg(result.pixelSize.height())
            + QLatin1Char('\n') + sizeText);
        setCurrentWidget(imagePage);
        break;
    case DecodedResource::Kind::Text:
        textView->setPlainText(result.text);
        setCurrentWidget(textView);
        break;
    case DecodedResource::Kind::TooManyPixels:
        showMessage(tr("图片的像素太多（%1 x %2 像素），无法预览")
                            .arg(result.pixelSize.width())
                            .arg(result.pixelSize.height())
                        + QLatin1Char('\n') + tr("大小：%1").arg(sizeText),
                    latestIcon);
        break;
    case DecodedResource::Kind::Damaged:
        showMessage(tr("图片已损坏") + QLatin1Char('\n') + tr("类型：%1").arg(typeText)
                        + QLatin1Char('\n') + tr("大小：%1").arg(sizeText),
                    latestIcon);
        break;
    case DecodedResource::Kind::TooLarge:
        showMessage(tr("文件太大，无法预览") + QLatin1Char('\n') + tr("大小：%1").arg(sizeText),
                    latestIcon);
        break;
    case DecodedResource::Kind::Unreadable: {
        ThemeError error;
        error.kind = result.failure;
        showMessage(tr("无法读取这个资源。") + QLatin1Char('\n')
                    + failureReason(RunKind::Unpack, error));
        break;
    }
    case DecodedResource::Kind::Other:
    case DecodedResource::Kind::Stopped:
        showMessage(tr("类型：%1").arg(typeText) + QLatin1Char('\n') + tr("大小：%1").arg(sizeText),
                    latestIcon);
        break;
    }
    emit resourceShown();
}
