#include "markup/XmlText.h"

namespace {

// Longest reference we try to decode: "&#x10FFFF;" plus some leading zeros.
constexpr int kMaxReferenceLength = 32;

bool appendCodePoint(QString& out, QStringView digits, int base) {
    if (digits.isEmpty()) return false;
    char32_t value = 0;
    for (const QChar c : digits) {
        const int d =
            base == 16 && c.isLetter() ? (c.toLower().unicode() - u'a' + 10) : c.unicode() - u'0';
        if (d < 0 || d >= base || (base == 10 && !c.isDigit())) return false;
        value = value * static_cast<char32_t>(base) + static_cast<char32_t>(d);
        if (value > 0x10FFFF) return false;
    }
    if (value == 0 || (value >= 0xD800 && value <= 0xDFFF)) return false;
    const char32_t one[1] = {value};
    out += QString::fromUcs4(one, 1);
    return true;
}

bool appendReference(QString& out, QStringView name) {
    if (name == u"amp")
        out += u'&';
    else if (name == u"lt")
        out += u'<';
    else if (name == u"gt")
        out += u'>';
    else if (name == u"apos")
        out += u'\'';
    else if (name == u"quot")
        out += u'"';
    else if (name.startsWith(u"#x") || name.startsWith(u"#X"))
        return appendCodePoint(out, name.mid(2), 16);
    else if (name.startsWith(u'#'))
        return appendCodePoint(out, name.mid(1), 10);
    else
        return false;
    return true;
}

// Offset just past `terminator` searched from `from`, or the end of `text` when it is missing.
qsizetype skipPast(QStringView text, qsizetype from, QStringView terminator) {
    const qsizetype at = text.indexOf(terminator, from);
    return at < 0 ? text.size() : at + terminator.size();
}

}  // namespace

QString XmlText::escape(QStringView text) {
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        if (c == u'&')
            out += u"&amp;";
        else if (c == u'<')
            out += u"&lt;";
        else if (c == u'>')
            out += u"&gt;";
        else
            out += c;
    }
    return out;
}

QString XmlText::decodeReferences(QStringView text) {
    QString out;
    out.reserve(text.size());
    qsizetype pos = 0;
    while (pos < text.size()) {
        const qsizetype amp = text.indexOf(u'&', pos);
        if (amp < 0) {
            out += text.mid(pos);
            break;
        }
        out += text.mid(pos, amp - pos);
        const qsizetype semi = text.indexOf(u';', amp + 1);
        if (semi > amp && semi - amp <= kMaxReferenceLength &&
            appendReference(out, text.mid(amp + 1, semi - amp - 1))) {
            pos = semi + 1;
        } else {
            out += u'&';
            pos = amp + 1;
        }
    }
    return out;
}

QString XmlText::decodeContent(QStringView content) {
    QString out;
    qsizetype pos = 0;
    while (pos < content.size()) {
        const qsizetype lt = content.indexOf(u'<', pos);
        if (lt < 0) {
            out += decodeReferences(content.mid(pos));
            break;
        }
        out += decodeReferences(content.mid(pos, lt - pos));
        const QStringView rest = content.mid(lt);
        if (rest.startsWith(u"<![CDATA[")) {
            const qsizetype close = content.indexOf(u"]]>", lt + 9);
            const qsizetype end = close < 0 ? content.size() : close;
            out += content.mid(lt + 9, end - lt - 9);
            pos = close < 0 ? end : close + 3;
        } else if (rest.startsWith(u"<!--")) {
            pos = skipPast(content, lt + 4, u"-->");
        } else if (rest.startsWith(u"<?")) {
            pos = skipPast(content, lt + 2, u"?>");
        } else {
            pos = skipPast(content, lt + 1, u">");  // a stray tag of an ill-formed document
        }
    }
    return out;
}
