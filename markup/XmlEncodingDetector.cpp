#include "markup/XmlEncodingDetector.h"

#include <QtGlobal>

#include "markup/Markup.h"
#include "markup/XmlCodec.h"
#include "markup/XmlIndexBuilder.h"
#include "platform/Log.h"

namespace {

// Only the start of a file is searched for a byte-order mark or a declared charset.
constexpr qsizetype kHeadBytes = 1024;

// Charset names are ASCII; iconv would read other bytes in ways the next load cannot repeat.
bool isCharsetChar(QChar c) {
    return (c.unicode() < 0x80 && c.isLetterOrNumber()) || c == u'-' || c == u'_' || c == u'.' ||
           c == u':';
}

// Reads `name` = "value" (quotes optional) at `pos`; returns the value, empty if it is not there.
QString valueAfter(QStringView text, qsizetype pos) {
    while (pos < text.size() && XmlIndexBuilder::isSpace(text[pos])) ++pos;
    if (pos >= text.size() || text[pos] != u'=') return {};
    ++pos;
    while (pos < text.size() && XmlIndexBuilder::isSpace(text[pos])) ++pos;
    if (pos < text.size() && (text[pos] == u'"' || text[pos] == u'\'')) ++pos;
    qsizetype end = pos;
    while (end < text.size() && isCharsetChar(text[end])) ++end;
    return text.mid(pos, end - pos).toString();
}

QByteArray withoutZeroBytes(QByteArray bytes) {
    bytes.removeIf([](char c) { return c == '\0'; });
    return bytes;
}

}  // namespace

XmlDecodedFile XmlEncodingDetector::decode(const QByteArray& bytes) {
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        XmlDecodedFile out;
        out.bomFlag = CXmlDocument::Utf8BomFile;
        out.encoding = QStringLiteral("UTF-8");
        out.text = XmlCodec::decode(withoutZeroBytes(bytes.mid(3)), out.encoding);
        return out;
    }
    if (bytes.startsWith("\xFF\xFE")) return decodeUtf16(bytes.mid(2), false);
    if (bytes.startsWith("\xFE\xFF")) return decodeUtf16(bytes.mid(2), true);
    return decodeBytes(withoutZeroBytes(bytes));
}

XmlDecodedFile XmlEncodingDetector::decodeUtf16(const QByteArray& bytes, bool bigEndian) {
    XmlDecodedFile out;
    out.bomFlag = bigEndian ? CXmlDocument::Utf16BeFile : CXmlDocument::Utf16LeFile;
    out.encoding = bigEndian ? QStringLiteral("UTF-16BE") : QStringLiteral("UTF-16LE");
    out.text.reserve(bytes.size() / 2);
    for (qsizetype i = 0; i + 1 < bytes.size(); i += 2) {
        const auto first = static_cast<uchar>(bytes[i]);
        const auto second = static_cast<uchar>(bytes[i + 1]);
        const char16_t unit = bigEndian ? static_cast<char16_t>(first << 8 | second)
                                        : static_cast<char16_t>(second << 8 | first);
        if (unit != 0) out.text += QChar(unit);
    }
    return out;
}

XmlDecodedFile XmlEncodingDetector::decodeBytes(QByteArray bytes) {
    const QString head = QString::fromUtf8(bytes.left(kHeadBytes));
    QString declared = declaredXmlEncoding(head);
    if (declared.isEmpty()) declared = declaredMetaCharset(head);
    // A wide charset named without a byte-order mark cannot be meant: its zero bytes are gone.
    if (declared.isEmpty() || XmlCodec::isWide(declared)) return decodeUndeclared(bytes);
    if (!XmlCodec::isKnown(declared)) {
        platform::log::failure(
            platform::log::settings(),
            QStringLiteral("settings file declares unknown charset \"%1\"").arg(declared),
            QStringLiteral("read by its bytes instead"));
        XmlDecodedFile out = decodeUndeclared(bytes);
        out.unknownCharset = declared;
        return out;
    }
    XmlDecodedFile out;
    out.encoding = XmlCodec::isUtf8(declared) ? QStringLiteral("UTF-8") : declared;
    out.text = XmlCodec::decode(bytes, out.encoding);
    return out;
}

XmlDecodedFile XmlEncodingDetector::decodeUndeclared(const QByteArray& bytes) {
    XmlDecodedFile out;
    if (XmlCodec::isValidUtf8(bytes)) {
        out.encoding = QStringLiteral("UTF-8");
        out.text = XmlCodec::decode(bytes, out.encoding);
        return out;
    }
    // Not UTF-8 even if it starts with "<": read it in the ANSI charset, or byte for byte in
    // Latin-1 when that charset leaves bytes undefined, so that saving gives the same bytes back.
    bool lossless = false;
    out.encoding = XmlCodec::systemAnsiCharset();
    out.text = XmlCodec::decode(bytes, out.encoding, &lossless);
    if (!lossless) {
        out.encoding = QStringLiteral("ISO-8859-1");
        out.text = QString::fromLatin1(bytes);
    }
    return out;
}

QString XmlEncodingDetector::declaredXmlEncoding(QStringView text) {
    qsizetype pos = 0;
    while (pos < text.size() && XmlIndexBuilder::isSpace(text[pos])) ++pos;
    if (!text.mid(pos).startsWith(u"<?xml") || pos + 5 >= text.size() ||
        !XmlIndexBuilder::isSpace(text[pos + 5]))
        return {};
    const qsizetype close = text.indexOf(u"?>", pos);
    const QStringView decl = text.mid(pos, close < 0 ? -1 : close - pos);
    const qsizetype at = decl.indexOf(u"encoding");
    if (at < 0) return {};
    return valueAfter(decl, at + 8);
}

QString XmlEncodingDetector::declaredMetaCharset(QStringView text) {
    qsizetype pos = 0;
    while (true) {
        const qsizetype meta = text.indexOf(u"<meta", pos, Qt::CaseInsensitive);
        if (meta < 0) return {};
        const qsizetype close = text.indexOf(u'>', meta);
        const QStringView tag = text.mid(meta, close < 0 ? -1 : close - meta);
        // Covers both charset="x" and content="text/html; charset=x".
        const qsizetype at = tag.indexOf(u"charset", 0, Qt::CaseInsensitive);
        if (at >= 0) {
            const QString value = valueAfter(tag, at + 7);
            if (!value.isEmpty()) return value;
        }
        if (close < 0) return {};
        pos = close;
    }
}
