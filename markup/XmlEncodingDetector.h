#pragma once
// Works out how the bytes of a settings file are encoded and turns them into UTF-16 text.
#include <QByteArray>
#include <QString>
#include <QStringView>

struct XmlDecodedFile {
    QString text;
    int bomFlag = 0;         // CXmlDocument file flag of the byte-order mark found, 0 for none
    QString encoding;        // charset the bytes were decoded with
    QString unknownCharset;  // a declared charset this system cannot convert, empty if none
};

class XmlEncodingDetector {
public:
    static XmlDecodedFile decode(const QByteArray& bytes);

    // The encoding pseudo-attribute of an XML declaration at the start of `text`, empty if none.
    static QString declaredXmlEncoding(QStringView text);

    // The charset of an HTML meta element (http-equiv Content-Type content, or charset attribute).
    static QString declaredMetaCharset(QStringView text);

private:
    static XmlDecodedFile decodeUtf16(const QByteArray& bytes, bool bigEndian);
    static XmlDecodedFile decodeBytes(QByteArray bytes);
    static XmlDecodedFile decodeUndeclared(const QByteArray& bytes);
};
