// SPDX-License-Identifier: MIT
#pragma once

#include "archive/ThemeFailure.h"

#include <QImage>
#include <QSize>
#include <QString>

#include <atomic>

// One resource to preview: which entry of which archive, and what the
// listing said about it.
struct ResourceRequest
{
    QString archivePath;
    QString entryName;  // as the index holds it: "/img/bg.png"
    qint64 size = 0;    // from the listing, so oversized entries are not read at all
    bool image = false; // its extension is one the image plugins read
    bool text = false;  // its extension is one of a text format
};

// What the preview pane shows of a resource.
struct DecodedResource
{
    enum class Kind {
        Image,         // `image`, `pixelSize`
        Text,          // `text`
        Other,         // neither: only its size and type are shown
        TooLarge,      // over the cap of its kind: not loaded
        TooManyPixels, // a picture too large to decode (`pixelSize`): not loaded
        Damaged,       // a picture by its type that does not decode
        Unreadable,    // the archive could not be read: `failure`
        Stopped,       // a newer request came first: nothing to show
    };
    Kind kind = Kind::Other;
    QImage image;    // at most previewSide pixels on its longer side
    QSize pixelSize; // the image's own size
    QString text;
    ThemeFailure failure = ThemeFailure::None;
};

// Caps on what is loaded for a preview: a bigger resource is not read.
constexpr qint64 imagePreviewCap = qint64(64) * 1024 * 1024;
constexpr qint64 textPreviewCap = qint64(1024) * 1024;

// The decoded image is scaled down to this on its longer side, so a huge
// picture costs little memory and paints quickly at any pane size.
constexpr int previewSide = 2048;

// Reads the entry's bytes from the archive (that entry only) and decodes
// them. Runs on a worker thread; `stop` set by a newer request ends it at the
// next step.
DecodedResource decodeResource(const ResourceRequest &request, const std::atomic<bool> &stop);

// Whether the extension (without its ".", any case) is that of a picture the
// installed image plugins read.
bool isImageType(const QString &extension);

// Whether the extension (without its ".", any case) is that of a text format
// the pane shows as text.
bool isTextType(const QString &extension);
