// SPDX-License-Identifier: MIT
#pragma once

#include <QImage>
#include <QPixmap>
#include <QWidget>

// Paints one picture centred, scaled down to fit and never enlarged past its
// own size, on a checkerboard that shows where it is transparent.
class ImageCanvas : public QWidget
{
public:
    explicit ImageCanvas(QWidget *parent = nullptr);

    // `image` may be a scaled-down copy of a picture of `pixelSize` pixels;
    // the picture is shown at no more than that size.
    void setImage(const QImage &image, const QSize &pixelSize);

    // Where the picture is painted, in the canvas's coordinates.
    QRect imageRect() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QImage image;
    QSize pixelSize;
    QPixmap scaled; // the image at its painted size, made again only when that changes
};
