// SPDX-License-Identifier: MIT
#include "TextEncoding.h"

#include <QRegularExpression>
#include <QStringDecoder>

namespace {

// A declaration stands at the start of a file; this much of it is searched.
constexpr qsizetype declarationReach = 1024;

// The encoding the text names for itself, or nothing.
QByteArray declaredEncoding(const QByteArray &bytes)
{
    static const QRegularExpression declarations[] = {
        QRegularExpression(
            QStringLiteral("^\\s*<\\?xml[^>]*\\sencoding\\s*=\\s*[\"']([A-Za-z0-9._:-]+)[\"']")),
        QRegularExpression(QStringLiteral("<meta[^>]*charset\\s*=\\s*[\"']?([A-Za-z0-9._:-]+)"),
                           QRegularExpression::CaseInsensitiveOption),
        QRegularExpression(QStringLiteral("^@charset\\s+\"([A-Za-z0-9._:-]+)\"")),
    };
    // Latin-1 keeps every byte as one character; declarations are ASCII.
    const QString head = QString::fromLatin1(bytes.left(declarationReach));
    for (const QRegularExpression &declaration : declarations) {
        const QRegularExpressionMatch match = declaration.match(head);
        // A declaration that reads as ASCII is in no encoding of 16 or 32
        // bits, whatever it says; the byte-order mark tells those.
        const QString name = match.captured(1);
        if (match.hasMatch() && !name.startsWith(QLatin1String("UTF-16"), Qt::CaseInsensitive)
            && !name.startsWith(QLatin1String("UTF-32"), Qt::CaseInsensitive))
            return name.toLatin1();
    }
    return QByteArray();
}

// What decoded bytes must look like to be taken as text. Binary data rarely
// decodes as UTF-8, and then still holds a NUL before long. Nearly any bytes
// decode as GB18030, and binary data can start with what looks like a
// byte-order mark: text that came out of those holds something, and no
// control characters but the white space ones.
enum class Check { None, NoNul, NoControl };

bool looksLikeText(const QString &text, Check check)
{
    if (check == Check::NoControl && text.isEmpty())
        return false;
    for (const QChar c : text) {
        if (c.isNull())
            return false;
        if (check == Check::NoControl && c.unicode() < 0x20 && c != QLatin1Char('\t')
            && c != QLatin1Char('\n') && c != QLatin1Char('\r') && c != QLatin1Char('\f'))
            return false;
    }
    return true;
}

// Decodes with `decoder` when it exists and the bytes fit it.
bool decodeWith(QStringDecoder decoder, const QByteArray &bytes, QString &text, Check check)
{
    if (!decoder.isValid())
        return false;
    QString decoded = decoder.decode(bytes);
    if (decoder.hasError() || (check != Check::None && !looksLikeText(decoded, check)))
        return false;
    text = std::move(decoded);
    return true;
}

} // namespace

bool decodeText(const QByteArray &bytes, QString &text)
{
    // The mark is no part of the text: the decoder leaves it out.
    const auto marked = QStringConverter::encodingForData(bytes);
    if (marked && decodeWith(QStringDecoder(*marked), bytes, text, Check::NoControl))
        return true;
    const QByteArray declared = declaredEncoding(bytes);
    if (!declared.isEmpty()
        && decodeWith(QStringDecoder(declared.constData()), bytes, text, Check::None))
        return true;
    return decodeWith(QStringDecoder(QStringDecoder::Utf8), bytes, text, Check::NoNul)
           || decodeWith(QStringDecoder("GB18030"), bytes, text, Check::NoControl);
}
