// SPDX-License-Identifier: MIT
#include "VersionView.h"

#include "app/preview/ImageCanvas.h"
#include "util/FormatSize.h"

#include <QBoxLayout>
#include <QFileInfo>
#include <QLabel>

namespace {

bool isPicture(const QString &path)
{
    const QString fileName = path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    return dot >= 0 && isImageType(fileName.mid(dot + 1));
}

// The resource as it is in one archive; nothing at all when it has none.
DecodedResource decodeVersion(const QString &archive, const QString &path, qint64 size,
                              const std::atomic<bool> &stop)
{
    if (size < 0)
        return {};
    ResourceRequest request;
    request.archivePath = archive;
    request.entryName = QLatin1Char('/') + path;
    request.size = size;
    request.image = true;
    return decodeResource(request, stop);
}

} // namespace

VersionView::VersionView(const QString &oldPath, const QString &newPath, QWidget *parent)
    : QStackedWidget(parent), oldArchive(oldPath), newArchive(newPath)
{
    versionMessage = new QLabel;
    versionMessage->setObjectName(QStringLiteral("versionMessage"));
    versionMessage->setAlignment(Qt::AlignCenter);
    versionMessage->setWordWrap(true);
    versionMessage->setTextFormat(Qt::PlainText);

    picturePage = new QWidget;
    picturePage->setObjectName(QStringLiteral("picturePage"));
    oldSide = makeSide("oldPane", "oldCaption", "oldCanvas");
    newSide = makeSide("newPane", "newCaption", "newCanvas");
    auto *sideBySide = new QHBoxLayout(picturePage);
    sideBySide->addWidget(oldSide.pane);
    sideBySide->addWidget(newSide.pane);

    setFrameShape(QFrame::StyledPanel);
    addWidget(versionMessage);
    addWidget(picturePage);
    // One worker for the newest selection and one for an older one still
    // decoding, so a new selection never waits behind it.
    workers.setMaxThreadCount(2);
    showHint();
}

VersionView::~VersionView()
{
    if (stopLatest)
        *stopLatest = true;
    workers.waitForDone();
}

VersionView::Side VersionView::makeSide(const char *paneName, const char *captionName,
                                        const char *canvasName)
{
    Side side;
    side.pane = new QWidget;
    side.pane->setObjectName(QLatin1String(paneName));
    side.caption = new QLabel;
    side.caption->setObjectName(QLatin1String(captionName));
    side.caption->setAlignment(Qt::AlignCenter);
    side.caption->setTextFormat(Qt::PlainText);
    side.canvas = new ImageCanvas;
    side.canvas->setObjectName(QLatin1String(canvasName));
    auto *column = new QVBoxLayout(side.pane);
    column->setContentsMargins(0, 0, 0, 0);
    column->addWidget(side.caption);
    column->addWidget(side.canvas, 1);
    return side;
}

void VersionView::showMessage(const QString &text)
{
    if (stopLatest)
        *stopLatest = true;
    stopLatest.reset();
    ++latestRequest; // pictures still on their way are not shown
    versionMessage->setText(text);
    setCurrentWidget(versionMessage);
}

void VersionView::showHint()
{
    showMessage(tr("选择一个资源即可在这里比较它的两个版本。"));
}

void VersionView::showDifference(const ResourceDifference &difference)
{
    if (!isPicture(difference.path)) {
        showSizes(difference);
        return;
    }
    if (stopLatest)
        *stopLatest = true;
    const quint64 request = ++latestRequest;
    auto stop = std::make_shared<std::atomic<bool>>(false);
    stopLatest = stop;
    workers.start([this, request, difference, stop, older = oldArchive, newer = newArchive] {
        const DecodedResource oldVersion =
            decodeVersion(older, difference.path, difference.oldSize, *stop);
        const DecodedResource newVersion =
            decodeVersion(newer, difference.path, difference.newSize, *stop);
        // Delivered on the GUI thread; dropped if the view is gone by then.
        QMetaObject::invokeMethod(
            this,
            [this, request, difference, oldVersion, newVersion] {
                showPictures(request, difference, oldVersion, newVersion);
            },
            Qt::QueuedConnection);
    });
}

// A resource that is no picture: its size in each archive that holds it.
void VersionView::showSizes(const ResourceDifference &difference)
{
    QStringList lines;
    if (difference.oldSize >= 0)
        lines.append(tr("原（%1）：%2")
                         .arg(QFileInfo(oldArchive).fileName(), formatSize(difference.oldSize)));
    if (difference.newSize >= 0)
        lines.append(tr("新（%1）：%2")
                         .arg(QFileInfo(newArchive).fileName(), formatSize(difference.newSize)));
    showMessage(lines.join(QLatin1Char('\n')));
}

void VersionView::showPictures(quint64 request, const ResourceDifference &difference,
                               const DecodedResource &older, const DecodedResource &newer)
{
    if (request != latestRequest)
        return; // a newer selection has taken its place
    stopLatest.reset();
    showSide(oldSide, tr("原：%1").arg(QFileInfo(oldArchive).fileName()), difference.oldSize,
             older);
    showSide(newSide, tr("新：%1").arg(QFileInfo(newArchive).fileName()), difference.newSize,
             newer);
    setCurrentWidget(picturePage);
}

// One archive's version under its name; an archive without one leaves its
// side out.
void VersionView::showSide(Side &side, const QString &label, qint64 size,
                           const DecodedResource &decoded)
{
    side.pane->setVisible(size >= 0);
    const bool picture = decoded.kind == DecodedResource::Kind::Image;
    side.canvas->setImage(picture ? decoded.image : QImage(),
                          picture ? decoded.pixelSize : QSize());
    const QString sizeText = size >= 0 ? formatSize(size) : QString();
    const QString shape =
        picture ? tr("%1 x %2 像素").arg(decoded.pixelSize.width()).arg(decoded.pixelSize.height())
                : tr("无法预览");
    side.caption->setText(label + QLatin1Char('\n') + shape + QStringLiteral(" · ") + sizeText);
}
