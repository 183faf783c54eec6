// SPDX-License-Identifier: MIT
#include "ImageCanvas.h"

#include <QPainter>

namespace {

// Light and dark squares of 8 pixels, as image editors show transparency.
QBrush checkerboard()
{
    QPixmap tile(16, 16);
    tile.fill(QColor(0xff, 0xff, 0xff));
    QPainter painter(&tile);
    const QColor dark(0xcc, 0xcc, 0xcc);
    painter.fillRect(0, 0, 8, 8, dark);
    painter.fillRect(8, 8, 8, 8, dark);
    return QBrush(tile);
}

} // namespace

ImageCanvas::ImageCanvas(QWidget *parent) : QWidget(parent) {}

void ImageCanvas::setImage(const QImage &newImage, const QSize &newPixelSize)
{
    image = newImage;
    pixelSize = newPixelSize;
    scaled = QPixmap();
    update();
}

QRect ImageCanvas::imageRect() const
{
    if (pixelSize.isEmpty())
        return QRect();
    const QRect room = contentsRect();
    QSize shown = pixelSize;
    if (shown.width() > room.width() || shown.height() > room.height())
        shown.scale(room.size(), Qt::KeepAspectRatio);
    shown = shown.expandedTo(QSize(1, 1));
    QRect rect(QPoint(0, 0), shown);
    rect.moveCenter(room.center());
    return rect;
}

QSize ImageCanvas::sizeHint() const
{
    return QSize(160, 160);
}

QSize ImageCanvas::minimumSizeHint() const
{
    return QSize(32, 32);
}

void ImageCanvas::paintEvent(QPaintEvent *)
{
    if (image.isNull())
        return;
    const QRect target = imageRect();
    const qreal ratio = devicePixelRatioF();
    const QSize devicePixels = (QSizeF(target.size()) * ratio).toSize();
    if (scaled.isNull() || scaled.size() != devicePixels) {
        scaled = QPixmap::fromImage(
            devicePixels == image.size()
                ? image
                : image.scaled(devicePixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
        scaled.setDevicePixelRatio(ratio);
    }
    QPainter painter(this);
    painter.fillRect(target, checkerboard());
    painter.drawPixmap(target.topLeft(), scaled);
}
