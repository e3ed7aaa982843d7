#pragma once
// One element of a settings document's index. Offsets and lengths count UTF-16 code units of the
// document text. Entry 0 of an index stands for the document itself.

struct XmlElementEntry {
    enum Flag : int {
        EmptyTag = 0x1,   // one tag ending in "/>"
        NoEndTag = 0x2,   // start tag whose end tag never came
        IllFormed = 0x4,  // on entry 0: the whole document
    };

    int start = 0;   // offset of the element's "<"
    int length = 0;  // start tag to the end of the end tag
    int startTagLength = 0;
    int endTagLength = 0;  // 0 for an empty-element tag or a missing end tag
    int flags = 0;
    int parent = 0;
    int firstChild = 0;
    int nextSibling = 0;
    int prevSibling = 0;  // the first child's is the last child

    int end() const { return start + length; }
    int contentStart() const { return start + startTagLength; }
    int contentEnd() const { return start + length - endTagLength; }
};
