#pragma once
// Conversion between the document's UTF-16 text and the bytes of a named charset. UTF-8 is
// converted directly; every other name goes through glibc's iconv (names compared regardless of
// letter case).
#include <QByteArray>
#include <QString>
#include <QStringView>

class XmlCodec {
public:
    // True for "UTF-8" and "UTF8" in any letter case.
    static bool isUtf8(const QString& charset);

    // True for charsets with code units wider than a byte (UTF-16, UTF-32, UCS-2, UCS-4): a file
    // without byte-order mark in one of them cannot be read back, since zero bytes are dropped.
    static bool isWide(const QString& charset);

    // True when the charset can be converted both ways.
    static bool isKnown(const QString& charset);

    // True when `bytes` are valid UTF-8 (plain ASCII is).
    static bool isValidUtf8(const QByteArray& bytes);

    // Decodes `bytes`; an undecodable sequence becomes U+FFFD and clears *lossless.
    static QString decode(const QByteArray& bytes, const QString& charset,
                          bool* lossless = nullptr);

    // Encodes `text`; characters the charset cannot hold become "?".
    static QByteArray encode(QStringView text, const QString& charset);

    // Charset for bytes that declare none and are not UTF-8: the locale's charset when it is a
    // legacy one, else Windows-1252 (the ANSI code page of the Western Windows systems these
    // settings files come from).
    static QString systemAnsiCharset();
};
