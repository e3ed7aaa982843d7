#pragma once
// Element text as it is written into a settings document and read back out of it.
#include <QString>
#include <QStringView>

class XmlText {
public:
    // "&", "<" and ">" as references; quotation marks stay as they are in element text.
    static QString escape(QStringView text);

    // The text of an element's content: references decoded, CDATA sections taken literally,
    // comments and processing instructions left out, nothing trimmed.
    static QString decodeContent(QStringView content);

    // Decodes the predefined and numeric character references; other references stay as written.
    static QString decodeReferences(QStringView text);
};
