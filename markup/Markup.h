#pragma once
// CXmlDocument: the small XML document with which the settings files are read and written. The
// whole document is one UTF-16 text with an index of its elements; reading and changing work like
// a cursor (parent, main and child position). Changes are made in place, so everything that is
// not touched stays as it was, byte for byte, when the document is saved.
#include <QByteArray>
#include <QString>

#include <vector>

#include "markup/XmlElementEntry.h"

class CXmlDocument {
public:
    // Bits of fileFlags: the encoding remembered from the last load.
    enum FileFlag : int {
        Utf16LeFile = 0x1,
        Utf8BomFile = 0x4,
        IgnoreCase = 0x8,  // kept for the file format's sake; never set here
        Utf16BeFile = 0x80,
    };
    static constexpr int kEncodingFlags = Utf16LeFile | Utf8BomFile | Utf16BeFile;

    // Settings files are a few hundred bytes; anything far larger is refused rather than loaded.
    static constexpr qint64 kMaxFileBytes = 32 * 1024 * 1024;
    // Offsets in the index are ints; texts are kept well below that.
    static constexpr qsizetype kMaxTextLength = 1 << 28;

    CXmlDocument();

    bool LoadFile(const QString& path);
    bool SaveFile(const QString& path) const;
    bool ReplaceDocument(const QString& text = QString());
    bool IsWellFormed() const;

    void ResetPosition();
    bool FindElement(const QString& name = QString());
    bool FindChildElement(const QString& name = QString());
    bool IntoElement();
    bool OutOfElement();

    QString GetElementText() const;
    bool SetElementText(const QString& value);
    bool AddElement(const QString& name, const QString& value = QString());

    // LoadFile and SaveFile without the file: the same decoding and encoding.
    bool LoadFromBytes(const QByteArray& bytes);
    QByteArray SaveToBytes() const;

    // The charset SaveFile writes in (after the byte-order mark, if any).
    QString SaveEncoding() const;

    const QString& Text() const { return text; }
    const std::vector<XmlElementEntry>& Elements() const { return elements; }
    int FileFlags() const { return fileFlags; }
    int ParentPos() const { return parentPos; }
    int MainPos() const { return mainPos; }
    int ChildPos() const { return childPos; }

private:
    struct Encoded {
        QString encoding;
        QByteArray bytes;
    };
    Encoded encodedForReadBack() const;
    QString declaredOrLoadEncoding() const;
    void parse();
    const XmlElementEntry& entry(int index) const { return elements[static_cast<size_t>(index)]; }
    XmlElementEntry& entry(int index) { return elements[static_cast<size_t>(index)]; }
    QStringView nameOf(int index) const;
    int findSibling(int from, const QString& name) const;
    // Replaces `count` characters at `pos`, shifts the elements after them and grows `owner` and
    // its ancestors by the change.
    void replaceText(int pos, int count, const QString& with, int owner);
    int insertionAfter(int element) const;
    int closingSlashes(int element) const;
    // Inserts `markup` into `parent` when there is no main position; returns where it starts.
    int insertIntoParent(int parent, const QString& markup);
    void linkAfter(int element, int index);
    static bool isUsableName(const QString& name);

    QString text;
    std::vector<XmlElementEntry> elements;
    int parentPos = 0;
    int mainPos = 0;
    int childPos = 0;
    int fileFlags = 0;
    // Charset the last loaded file was read in when it had no byte-order mark; saving falls back
    // to it when the text itself declares no charset that can be written.
    QString loadEncoding;
};
