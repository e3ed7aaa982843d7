#pragma once
// Builds the element index of a settings document from its text. The scan is iterative, so a
// hostile file with deep nesting cannot exhaust the stack.
#include <QStringView>

#include <vector>

#include "markup/XmlElementEntry.h"

class XmlIndexBuilder {
public:
    // Replaces `elements` with the index of `text`; entry 0 is the document and carries
    // XmlElementEntry::IllFormed when markup is unterminated, an end tag was skipped or a start
    // tag lacks its end tag.
    static void build(QStringView text, std::vector<XmlElementEntry>& elements);

    // Appends an entry, growing the room by half when it is full.
    static int append(std::vector<XmlElementEntry>& elements, const XmlElementEntry& entry);

    // Links `child` as the last child of `parent`.
    static void linkLastChild(std::vector<XmlElementEntry>& elements, int parent, int child);

    // The name of the tag whose "<" (or "</") starts at `tagStart`.
    static QStringView tagName(QStringView text, int tagStart);

    static bool isSpace(QChar c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; }
};
