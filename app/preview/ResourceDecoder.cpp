// SPDX-License-Identifier: MIT
#include "ResourceDecoder.h"

#include "TextEncoding.h"

#include "archive/ThemeReader.h"

#include <QBuffer>
#include <QImageReader>

namespace {

// Takes bytes up to a cap and refuses the rest, so an entry that grew since
// the archive was listed can never fill memory.
class CappedBuffer : public QBuffer
{
public:
    explicit CappedBuffer(qint64 limit) : cap(limit) { open(QIODevice::WriteOnly); }

    bool overflowed = false;

protected:
    qint64 writeData(const char *data, qint64 length) override
    {
        if (size() + length > cap) {
            overflowed = true;
            return -1;
        }
        return QBuffer::writeData(data, length);
    }

private:
    qint64 cap;
};

DecodedResource ofKind(DecodedResource::Kind kind)
{
    DecodedResource result;
    result.kind = kind;
    return result;
}

DecodedResource decodeImage(QByteArray &bytes)
{
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAutoTransform(true);
    // A small file can still unpack into a vast picture: one that would
    // not fit within the toolkit's limit on a decoded image is not loaded.
    const QSize declared = reader.size();
    const qint64 limit = qint64(QImageReader::allocationLimit()) * 1024 * 1024;
    if (declared.isValid() && limit > 0
        && qint64(declared.width()) * declared.height() * 4 > limit) {
        DecodedResource result = ofKind(DecodedResource::Kind::TooManyPixels);
        result.pixelSize = declared;
        return result;
    }
    QImage image = reader.read();
    if (image.isNull())
        return ofKind(DecodedResource::Kind::Damaged); // or no picture at all, despite its name
    DecodedResource result = ofKind(DecodedResource::Kind::Image);
    result.pixelSize = image.size();
    if (image.width() > previewSide || image.height() > previewSide)
        image =
            image.scaled(previewSide, previewSide, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    result.image = std::move(image);
    return result;
}

} // namespace

bool isImageType(const QString &extension)
{
    static const QList<QByteArray> formats = QImageReader::supportedImageFormats();
    return !extension.isEmpty() && formats.contains(extension.toLower().toLatin1());
}

bool isTextType(const QString &extension)
{
    static const QStringList textTypes{
        QStringLiteral("xml"),  QStringLiteral("txt"),  QStringLiteral("json"),
        QStringLiteral("ini"),  QStringLiteral("css"),  QStringLiteral("htm"),
        QStringLiteral("html"), QStringLiteral("js"),   QStringLiteral("properties"),
        QStringLiteral("cfg"),  QStringLiteral("conf"), QStringLiteral("csv"),
        QStringLiteral("md"),   QStringLiteral("log")};
    return textTypes.contains(extension, Qt::CaseInsensitive);
}

DecodedResource decodeResource(const ResourceRequest &request, const std::atomic<bool> &stop)
{
    // Anything that is neither a known picture nor a known text format is
    // tried as text when it is small enough; over that it is shown by its
    // size and type, which need no reading.
    const qint64 cap = request.image ? imagePreviewCap : textPreviewCap;
    if (request.size > cap)
        return ofKind(request.image || request.text ? DecodedResource::Kind::TooLarge
                                                    : DecodedResource::Kind::Other);
    if (stop)
        return ofKind(DecodedResource::Kind::Stopped);

    CappedBuffer bytes(cap);
    ThemeReader reader;
    if (!reader.readEntry(request.archivePath, request.entryName, bytes)) {
        if (bytes.overflowed) // the entry grew since the archive was listed
            return ofKind(DecodedResource::Kind::TooLarge);
        DecodedResource result = ofKind(DecodedResource::Kind::Unreadable);
        result.failure = reader.error.kind;
        return result;
    }
    if (stop)
        return ofKind(DecodedResource::Kind::Stopped);

    QByteArray &data = bytes.buffer();
    if (request.image)
        return decodeImage(data);
    DecodedResource result = ofKind(DecodedResource::Kind::Text);
    if (decodeText(data, result.text))
        return result;
    if (request.text) { // shown all the same, with the odd bytes replaced
        result.text = QString::fromUtf8(data);
        return result;
    }
    return ofKind(DecodedResource::Kind::Other);
}
