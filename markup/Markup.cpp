#include "markup/Markup.h"

#include <QFile>

#include "markup/XmlCodec.h"
#include "markup/XmlEncodingDetector.h"
#include "markup/XmlIndexBuilder.h"
#include "markup/XmlText.h"
#include "platform/Log.h"
#include "platform/RegularFile.h"
#include "platform/StagedFile.h"

namespace {

const QString kLineBreak = QStringLiteral("\r\n");

}  // namespace

CXmlDocument::CXmlDocument() {
    parse();
}

bool CXmlDocument::LoadFile(const QString& path) {
    text.clear();
    parse();
    // Anyone who can put a FIFO or a device in the file's place must not stall the start.
    const platform::RegularFileRead read = platform::readRegularFile(path, kMaxFileBytes);
    const QString what = QStringLiteral("settings file %1 not loaded").arg(path);
    if (read.failure == platform::ReadFailure::TooLarge)
        platform::log::failure(platform::log::settings(), what,
                               QStringLiteral("larger than %1 bytes").arg(kMaxFileBytes));
    if (read.failure == platform::ReadFailure::NotRegular)
        platform::log::failure(platform::log::settings(), what,
                               QStringLiteral("not a regular file"));
    return read.bytes && LoadFromBytes(*read.bytes);
}

bool CXmlDocument::LoadFromBytes(const QByteArray& bytes) {
    XmlDecodedFile decoded = XmlEncodingDetector::decode(bytes);
    // A new load forgets the encoding of an earlier one, or a UTF-8 file would be saved as UTF-16.
    fileFlags = (fileFlags & ~kEncodingFlags) | decoded.bomFlag;
    loadEncoding = decoded.bomFlag ? QString() : decoded.encoding;
    text = decoded.text.size() > kMaxTextLength ? QString() : std::move(decoded.text);
    parse();
    return IsWellFormed();
}

bool CXmlDocument::SaveFile(const QString& path) const {
    // A failed write never leaves half a settings file, and a link planted in the file's place
    // is replaced, never written through.
    return platform::StagedFile::replace(path, SaveToBytes());
}

QString CXmlDocument::SaveEncoding() const {
    if (fileFlags & Utf16LeFile) return QStringLiteral("UTF-16LE");
    if (fileFlags & Utf16BeFile) return QStringLiteral("UTF-16BE");
    if (fileFlags & Utf8BomFile) return QStringLiteral("UTF-8");
    return encodedForReadBack().encoding;
}

// A file we save must be read back in the charset it was written in: an edit can bring a charset
// named further down (a meta element) to the front, where loading looks for it. That charset is
// taken only when loading would keep to it.
CXmlDocument::Encoded CXmlDocument::encodedForReadBack() const {
    Encoded chosen{declaredOrLoadEncoding(), {}};
    chosen.bytes = XmlCodec::encode(text, chosen.encoding);
    const QString seen = XmlEncodingDetector::decode(chosen.bytes).encoding;
    if (seen.isEmpty() || seen == chosen.encoding || XmlCodec::isWide(seen)) return chosen;
    Encoded moved{seen, XmlCodec::encode(text, seen)};
    return XmlEncodingDetector::decode(moved.bytes).encoding == seen ? moved : chosen;
}

QString CXmlDocument::declaredOrLoadEncoding() const {
    const QString declared = XmlEncodingDetector::declaredXmlEncoding(text);
    if (!declared.isEmpty() && !XmlCodec::isWide(declared) && XmlCodec::isKnown(declared))
        return XmlCodec::isUtf8(declared) ? QStringLiteral("UTF-8") : declared;
    return loadEncoding.isEmpty() ? QStringLiteral("UTF-8") : loadEncoding;
}

QByteArray CXmlDocument::SaveToBytes() const {
    QByteArray out;
    if (fileFlags & (Utf16LeFile | Utf16BeFile)) {
        const bool big = !(fileFlags & Utf16LeFile);
        out.reserve(2 + text.size() * 2);
        out += big ? "\xFE\xFF" : "\xFF\xFE";
        for (const QChar c : text) {
            const char high = static_cast<char>(c.unicode() >> 8);
            const char low = static_cast<char>(c.unicode() & 0xFF);
            out += big ? high : low;
            out += big ? low : high;
        }
        return out;
    }
    if (fileFlags & Utf8BomFile)
        return QByteArray("\xEF\xBB\xBF") + XmlCodec::encode(text, QStringLiteral("UTF-8"));
    return encodedForReadBack().bytes;
}

bool CXmlDocument::ReplaceDocument(const QString& newText) {
    text = newText.size() > kMaxTextLength ? QString() : newText;
    parse();
    return IsWellFormed();
}

void CXmlDocument::parse() {
    XmlIndexBuilder::build(text, elements);
    ResetPosition();
}

bool CXmlDocument::IsWellFormed() const {
    const XmlElementEntry& doc = entry(0);
    if (doc.flags & XmlElementEntry::IllFormed) return false;
    return doc.firstChild != 0 && entry(doc.firstChild).nextSibling == 0;
}

void CXmlDocument::ResetPosition() {
    parentPos = 0;
    mainPos = 0;
    childPos = 0;
}

QStringView CXmlDocument::nameOf(int index) const {
    return XmlIndexBuilder::tagName(text, entry(index).start);
}

int CXmlDocument::findSibling(int from, const QString& name) const {
    for (int i = from; i != 0; i = entry(i).nextSibling)
        if (name.isEmpty() || nameOf(i) == name) return i;
    return 0;
}

bool CXmlDocument::FindElement(const QString& name) {
    const int from = mainPos ? entry(mainPos).nextSibling : entry(parentPos).firstChild;
    const int found = findSibling(from, name);
    if (!found) return false;
    mainPos = found;
    parentPos = entry(found).parent;
    childPos = 0;
    return true;
}

bool CXmlDocument::FindChildElement(const QString& name) {
    if (!mainPos && !FindElement()) return false;
    const int from = childPos ? entry(childPos).nextSibling : entry(mainPos).firstChild;
    const int found = findSibling(from, name);
    if (!found) return false;
    childPos = found;
    return true;
}

bool CXmlDocument::IntoElement() {
    if (!mainPos) return false;
    parentPos = mainPos;
    mainPos = childPos;
    childPos = 0;
    return true;
}

bool CXmlDocument::OutOfElement() {
    if (!parentPos) return false;
    childPos = mainPos;
    mainPos = parentPos;
    parentPos = entry(mainPos).parent;
    return true;
}

QString CXmlDocument::GetElementText() const {
    if (!mainPos) return {};
    const XmlElementEntry& e = entry(mainPos);
    // An element cut off by a missing end tag has no content we could name.
    if (e.firstChild || (e.flags & (XmlElementEntry::EmptyTag | XmlElementEntry::NoEndTag)))
        return {};
    return XmlText::decodeContent(
        QStringView(text).mid(e.contentStart(), e.contentEnd() - e.contentStart()));
}

bool CXmlDocument::SetElementText(const QString& value) {
    if (!mainPos) return false;
    const XmlElementEntry e = entry(mainPos);
    if (e.firstChild || (e.flags & XmlElementEntry::NoEndTag)) return false;
    const QString escaped = XmlText::escape(value);
    if (e.flags & XmlElementEntry::EmptyTag) {
        // <name/> becomes <name>value</name>; the start tag keeps whatever else it held.
        const QString name = nameOf(mainPos).toString();
        const QString with = u'>' + escaped + QStringLiteral("</") + name + u'>';
        if (text.size() + with.size() > kMaxTextLength) return false;
        const int slashes = closingSlashes(mainPos);
        replaceText(e.start + e.startTagLength - 1 - slashes, slashes + 1, with, mainPos);
        XmlElementEntry& changed = entry(mainPos);
        changed.startTagLength -= slashes;
        changed.endTagLength = static_cast<int>(name.size()) + 3;
        changed.flags &= ~XmlElementEntry::EmptyTag;
        return true;
    }
    if (text.size() + escaped.size() > kMaxTextLength) return false;
    replaceText(e.contentStart(), e.contentEnd() - e.contentStart(), escaped, mainPos);
    return true;
}

void CXmlDocument::replaceText(int pos, int count, const QString& with, int owner) {
    text.replace(pos, count, with);
    const int delta = static_cast<int>(with.size()) - count;
    for (size_t i = 1; i < elements.size(); ++i)
        if (elements[i].start >= pos + count) elements[i].start += delta;
    for (int i = owner; i != 0; i = entry(i).parent) entry(i).length += delta;
    entry(0).length += delta;
}

int CXmlDocument::closingSlashes(int element) const {
    // Every "/" before the ">" goes, or "<a//>" would still read as an empty-element tag.
    const XmlElementEntry& e = entry(element);
    int count = 0;
    while (count + 2 < e.startTagLength && text[e.start + e.startTagLength - 2 - count] == u'/')
        ++count;
    return count;
}

int CXmlDocument::insertionAfter(int element) const {
    // When only white space follows up to the next markup, the new element goes after it, so it
    // follows the line break after the main element.
    const int end = entry(element).end();
    int pos = end;
    while (pos < text.size() && XmlIndexBuilder::isSpace(text[pos])) ++pos;
    return pos == text.size() || text[pos] == u'<' ? pos : end;
}

bool CXmlDocument::isUsableName(const QString& name) {
    if (name.isEmpty()) return false;
    for (const QChar c : name)
        if (XmlIndexBuilder::isSpace(c) || c == u'<' || c == u'>' || c == u'/' || c == u'&' ||
            c == u'"' || c == u'\'' || c == u'=' || c == u'\0')
            return false;
    return name[0] != u'!' && name[0] != u'?';
}

int CXmlDocument::insertIntoParent(int parent, const QString& markup) {
    const XmlElementEntry p = entry(parent);
    if (p.flags & XmlElementEntry::EmptyTag) {
        // <parent/> is split into <parent>, line break, the new markup and </parent>.
        const QString parentName = nameOf(parent).toString();
        const int slashes = closingSlashes(parent);
        const int slash = p.start + p.startTagLength - 1 - slashes;
        replaceText(slash, slashes,
                    QStringLiteral(">\r\n") + markup + QStringLiteral("</") + parentName, parent);
        XmlElementEntry& split = entry(parent);
        split.startTagLength -= slashes;
        split.endTagLength = static_cast<int>(parentName.size()) + 3;
        split.flags &= ~XmlElementEntry::EmptyTag;
        return slash + 3;
    }
    if (p.contentStart() == p.contentEnd()) {
        replaceText(p.contentStart(), 0, kLineBreak + markup, parent);
        return p.contentStart() + 2;
    }
    replaceText(p.contentEnd(), 0, markup, parent);  // after the parent's last content
    return p.contentEnd();
}

void CXmlDocument::linkAfter(int element, int index) {
    XmlElementEntry& e = entry(element);
    XmlElementEntry& fresh = entry(index);
    fresh.parent = e.parent;
    fresh.prevSibling = element;
    fresh.nextSibling = e.nextSibling;
    if (e.nextSibling)
        entry(e.nextSibling).prevSibling = index;
    else
        entry(entry(e.parent).firstChild).prevSibling = index;  // the new last child
    e.nextSibling = index;
}

bool CXmlDocument::AddElement(const QString& name, const QString& value) {
    if (!isUsableName(name)) return false;
    XmlElementEntry added;
    QString markup;
    if (value.isEmpty()) {
        markup = u'<' + name + QStringLiteral("/>");
        added.startTagLength = static_cast<int>(markup.size());
        added.flags = XmlElementEntry::EmptyTag;
    } else {
        markup = u'<' + name + u'>' + XmlText::escape(value) + QStringLiteral("</") + name + u'>';
        added.startTagLength = static_cast<int>(name.size()) + 2;
        added.endTagLength = static_cast<int>(name.size()) + 3;
    }
    added.length = static_cast<int>(markup.size());
    markup += kLineBreak;
    if (text.size() + markup.size() + name.size() + 8 > kMaxTextLength) return false;

    const int parent = mainPos ? entry(mainPos).parent : parentPos;
    if (mainPos) {
        added.start = insertionAfter(mainPos);
        replaceText(added.start, 0, markup, parent);
    } else if (parent) {
        added.start = insertIntoParent(parent, markup);
    } else {
        added.start = static_cast<int>(text.size());
        replaceText(added.start, 0, markup, 0);
    }
    const int index = XmlIndexBuilder::append(elements, added);
    if (mainPos)
        linkAfter(mainPos, index);
    else
        XmlIndexBuilder::linkLastChild(elements, parent, index);
    parentPos = parent;
    mainPos = index;
    childPos = 0;
    return true;
}
