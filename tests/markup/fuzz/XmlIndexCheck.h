#pragma once
// Consistency checks of a CXmlDocument's element index, shared by the tests and the fuzz target.
// Each returns an empty string when all is well, else what is wrong.
#include <QString>

#include <algorithm>
#include <tuple>
#include <vector>

#include "markup/Markup.h"
#include "markup/XmlIndexBuilder.h"

namespace xmlcheck {

inline QString where(int i, const char* what) {
    return QStringLiteral("element %1: %2").arg(i).arg(QLatin1String(what));
}

// Offsets lie within the text, tags start with "<", and the tree links agree with each other.
inline QString indexProblem(const CXmlDocument& doc) {
    const auto& el = doc.Elements();
    const int n = static_cast<int>(doc.Text().size());
    const int count = static_cast<int>(el.size());
    if (el.empty()) return QStringLiteral("no document entry");
    if (el[0].length != n) return QStringLiteral("document length differs from the text");
    for (int i = 1; i < count; ++i) {
        const XmlElementEntry& e = el[static_cast<size_t>(i)];
        if (e.start < 0 || e.length < 0 || e.end() > n) return where(i, "outside the text");
        if (doc.Text()[e.start] != u'<') return where(i, "does not start with <");
        if (e.startTagLength + e.endTagLength > e.length)
            return where(i, "tags longer than element");
        if (e.parent < 0 || e.parent >= count) return where(i, "bad parent");
        const XmlElementEntry& p = el[static_cast<size_t>(e.parent)];
        if (e.parent != 0 && (e.start < p.start || e.end() > p.end()))
            return where(i, "outside its parent");
        if (e.nextSibling && el[static_cast<size_t>(e.nextSibling)].prevSibling != i)
            return where(i, "next sibling does not point back");
        if (e.nextSibling && el[static_cast<size_t>(e.nextSibling)].start < e.end())
            return where(i, "next sibling overlaps");
    }
    for (int i = 0; i < count; ++i) {
        const XmlElementEntry& e = el[static_cast<size_t>(i)];
        if (!e.firstChild) continue;
        int last = 0, steps = 0;
        for (int c = e.firstChild; c; c = el[static_cast<size_t>(c)].nextSibling) {
            if (el[static_cast<size_t>(c)].parent != i)
                return where(c, "child with another parent");
            if (++steps > count) return where(i, "sibling cycle");
            last = c;
        }
        if (el[static_cast<size_t>(e.firstChild)].prevSibling != last)
            return where(i, "first child's previous sibling is not the last child");
    }
    if (doc.MainPos() >= count || doc.ParentPos() >= count || doc.ChildPos() >= count)
        return QStringLiteral("position outside the index");
    return {};
}

// The index kept up to date by changes equals the one a fresh parse of the text builds.
inline QString reparseProblem(const CXmlDocument& doc) {
    std::vector<XmlElementEntry> fresh;
    XmlIndexBuilder::build(doc.Text(), fresh);
    auto key = [](const XmlElementEntry& e) {
        return std::make_tuple(e.start, e.length, e.startTagLength, e.endTagLength, e.flags);
    };
    std::vector<std::tuple<int, int, int, int, int>> kept, built;
    for (const auto& e : doc.Elements()) kept.push_back(key(e));
    for (const auto& e : fresh) built.push_back(key(e));
    std::sort(kept.begin(), kept.end());
    std::sort(built.begin(), built.end());
    return kept == built ? QString() : QStringLiteral("index differs from a fresh parse");
}

}  // namespace xmlcheck
