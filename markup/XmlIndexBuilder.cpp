#include "markup/XmlIndexBuilder.h"

#include <QHash>

namespace {

bool startsAt(QStringView text, int pos, QStringView what) {
    return text.mid(pos).startsWith(what);
}

// Offset just past the ">" closing the tag whose name starts at `from`, or -1 when the tag is not
// terminated. Quoted attribute values may hold ">"; a "<" outside quotes means the tag was cut.
int tagEnd(QStringView text, int from) {
    const int n = static_cast<int>(text.size());
    for (int i = from; i < n; ++i) {
        const QChar c = text[i];
        if (c == u'>') return i + 1;
        if (c == u'<') return -1;
        if (c == u'"' || c == u'\'') {
            const qsizetype close = text.indexOf(c, i + 1);
            if (close < 0) return -1;
            i = static_cast<int>(close);
        }
    }
    return -1;
}

// Offset just past a document type declaration starting at `from` (after "<!"); an internal subset
// in brackets may hold ">" of its own.
int doctypeEnd(QStringView text, int from) {
    const int n = static_cast<int>(text.size());
    int depth = 0;
    for (int i = from; i < n; ++i) {
        const QChar c = text[i];
        if (c == u'"' || c == u'\'') {
            const qsizetype close = text.indexOf(c, i + 1);
            if (close < 0) return -1;
            i = static_cast<int>(close);
        } else if (c == u'[') {
            ++depth;
        } else if (c == u']') {
            if (depth > 0) --depth;
        } else if (c == u'>' && depth == 0) {
            return i + 1;
        }
    }
    return -1;
}

int endOf(QStringView text, int from, QStringView terminator) {
    const qsizetype at = text.indexOf(terminator, from);
    return at < 0 ? -1 : static_cast<int>(at + terminator.size());
}

class Scan {
public:
    Scan(QStringView text, std::vector<XmlElementEntry>& elements)
        : m_text(text), m_elements(elements) {}

    void run() {
        const int n = static_cast<int>(m_text.size());
        int pos = 0;
        while (pos < n) {
            const qsizetype lt = m_text.indexOf(u'<', pos);
            if (lt < 0) break;
            const int next = markupEnd(static_cast<int>(lt));
            if (next < 0) {
                m_illFormed = true;  // unterminated markup: nothing after it can be trusted
                break;
            }
            pos = next;
        }
        closeRemaining(n);
        XmlElementEntry& doc = m_elements[0];
        doc.length = n;
        if (m_illFormed) doc.flags |= XmlElementEntry::IllFormed;
    }

private:
    int markupEnd(int lt) {
        if (startsAt(m_text, lt, u"<!--")) return endOf(m_text, lt + 4, u"-->");
        if (startsAt(m_text, lt, u"<![CDATA[")) return endOf(m_text, lt + 9, u"]]>");
        if (startsAt(m_text, lt, u"<?")) return endOf(m_text, lt + 2, u"?>");
        if (startsAt(m_text, lt, u"<!")) return doctypeEnd(m_text, lt + 2);
        if (startsAt(m_text, lt, u"</")) {
            const int end = tagEnd(m_text, lt + 2);
            if (end >= 0) endTag(lt, end);
            return end;
        }
        const int end = tagEnd(m_text, lt + 1);
        if (end >= 0) startTag(lt, end);
        return end;
    }

    void startTag(int lt, int end) {
        const QStringView name = XmlIndexBuilder::tagName(m_text, lt);
        if (name.isEmpty()) {
            m_illFormed = true;
            return;
        }
        XmlElementEntry e;
        e.start = lt;
        e.startTagLength = end - lt;
        e.parent = m_open.empty() ? 0 : m_open.back();
        const bool empty = m_text[end - 2] == u'/';
        if (empty) {
            e.length = e.startTagLength;
            e.flags = XmlElementEntry::EmptyTag;
        }
        const int index = XmlIndexBuilder::append(m_elements, e);
        XmlIndexBuilder::linkLastChild(m_elements, e.parent, index);
        if (!empty) {
            m_open.push_back(index);
            ++m_openByName[name];
        }
    }

    void endTag(int lt, int end) {
        const QStringView name = XmlIndexBuilder::tagName(m_text, lt);
        const auto it = m_openByName.find(name);
        if (name.isEmpty() || it == m_openByName.end() || it.value() == 0) {
            m_illFormed = true;  // an end tag that matches no open element is skipped
            return;
        }
        // Elements still open inside the matching one never got their end tag.
        while (true) {
            const int index = m_open.back();
            m_open.pop_back();
            XmlElementEntry& e = m_elements[static_cast<size_t>(index)];
            const QStringView openName = XmlIndexBuilder::tagName(m_text, e.start);
            --m_openByName[openName];
            if (openName == name) {
                e.endTagLength = end - lt;
                e.length = end - e.start;
                return;
            }
            e.flags |= XmlElementEntry::NoEndTag;
            e.length = lt - e.start;
            m_illFormed = true;
        }
    }

    void closeRemaining(int n) {
        for (const int index : m_open) {
            XmlElementEntry& e = m_elements[static_cast<size_t>(index)];
            e.flags |= XmlElementEntry::NoEndTag;
            e.length = n - e.start;
            m_illFormed = true;
        }
        m_open.clear();
    }

    QStringView m_text;
    std::vector<XmlElementEntry>& m_elements;
    std::vector<int> m_open;
    QHash<QStringView, int> m_openByName;
    bool m_illFormed = false;
};

}  // namespace

void XmlIndexBuilder::build(QStringView text, std::vector<XmlElementEntry>& elements) {
    elements.clear();
    elements.shrink_to_fit();
    elements.reserve(static_cast<size_t>(text.size() / 64 + 8));
    elements.push_back(XmlElementEntry{});
    Scan(text, elements).run();
}

int XmlIndexBuilder::append(std::vector<XmlElementEntry>& elements, const XmlElementEntry& entry) {
    if (elements.size() == elements.capacity())
        elements.reserve(elements.capacity() + elements.capacity() / 2 + 1);
    elements.push_back(entry);
    return static_cast<int>(elements.size() - 1);
}

void XmlIndexBuilder::linkLastChild(std::vector<XmlElementEntry>& elements, int parent, int child) {
    XmlElementEntry& p = elements[static_cast<size_t>(parent)];
    XmlElementEntry& c = elements[static_cast<size_t>(child)];
    c.parent = parent;
    c.nextSibling = 0;
    if (p.firstChild == 0) {
        p.firstChild = child;
        c.prevSibling = child;
        return;
    }
    XmlElementEntry& first = elements[static_cast<size_t>(p.firstChild)];
    const int last = first.prevSibling;
    elements[static_cast<size_t>(last)].nextSibling = child;
    c.prevSibling = last;
    first.prevSibling = child;
}

QStringView XmlIndexBuilder::tagName(QStringView text, int tagStart) {
    const int n = static_cast<int>(text.size());
    int from = tagStart + 1;
    if (from < n && text[from] == u'/') ++from;
    int to = from;
    while (to < n && !isSpace(text[to]) && !QStringView(u"/>\"'<=").contains(text[to])) ++to;
    return text.mid(from, to - from);
}
