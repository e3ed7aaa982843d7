// Fuzz target of the settings document: load from bytes, walk the tree, change values and add
// elements, save and load again, checking the index and that untouched text stays as it was.
#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "markup/Markup.h"
#include "tests/markup/fuzz/XmlIndexCheck.h"

namespace {

void require(bool ok, const char* what, const QString& detail = QString()) {
    if (ok) return;
    std::fprintf(stderr, "xml_fuzz: %s %s\n", what, qPrintable(detail));
    std::abort();
}

void checkIndex(const CXmlDocument& doc) {
    const QString problem = xmlcheck::indexProblem(doc);
    require(problem.isEmpty(), "index:", problem);
}

// Walks every element depth-first with the cursor operations, reading each text.
void walk(CXmlDocument& doc) {
    doc.ResetPosition();
    for (int steps = 0; steps < 4096; ++steps) {
        if (doc.FindElement()) {
            doc.GetElementText();
            if (doc.Elements()[static_cast<size_t>(doc.MainPos())].firstChild) doc.IntoElement();
        } else if (!doc.OutOfElement()) {
            break;
        }
    }
    checkIndex(doc);
}

// Takes the cursor down a path chosen by the input's bytes.
void descend(CXmlDocument& doc, const uint8_t* data, size_t size) {
    doc.ResetPosition();
    for (size_t i = 0; i < size && i < 8; ++i) {
        switch (data[i] % 4) {
            case 0: doc.FindElement(); break;
            case 1: doc.IntoElement(); break;
            case 2: doc.OutOfElement(); break;
            case 3: doc.FindChildElement(); break;
        }
    }
}

void checkSetText(CXmlDocument& doc, const QString& value) {
    const QString before = doc.Text();
    const bool wellFormed = doc.IsWellFormed();
    const int main = doc.MainPos();
    if (!doc.SetElementText(value)) {
        require(doc.Text() == before, "failed SetElementText changed the text");
        return;
    }
    const XmlElementEntry& e = doc.Elements()[static_cast<size_t>(main)];
    require(doc.GetElementText() == value, "value does not read back:", value);
    // Everything before the content and after the end tag is the same as before.
    const int tail = static_cast<int>(doc.Text().size()) - e.end();
    require(doc.Text().left(e.start) == before.left(e.start), "text before the element changed");
    require(doc.Text().right(tail) == before.right(tail), "text after the element changed");
    checkIndex(doc);
    if (wellFormed) require(xmlcheck::reparseProblem(doc).isEmpty(), "after set:", doc.Text());
}

void checkAdd(CXmlDocument& doc, const QString& name, const QString& value) {
    const QString before = doc.Text();
    const bool wellFormed = doc.IsWellFormed();
    if (!doc.AddElement(name, value)) {
        require(doc.Text() == before, "failed AddElement changed the text");
        return;
    }
    require(doc.GetElementText() == value, "added value does not read back");
    checkIndex(doc);
    if (wellFormed) require(xmlcheck::reparseProblem(doc).isEmpty(), "after add:", doc.Text());
}

void checkRoundTrip(const CXmlDocument& doc) {
    const QString enc = doc.SaveEncoding();
    const QByteArray saved = doc.SaveToBytes();
    CXmlDocument again;
    again.LoadFromBytes(saved);
    checkIndex(again);
    const bool exact =
        (enc == u"UTF-8" || enc.startsWith(u"UTF-16")) && doc.Text().isValidUtf16() &&
        !doc.Text().contains(QChar(0)) &&
        !doc.Text().startsWith(QChar(0xFEFF));  // would come back as a byte-order mark
    if (exact) require(again.Text() == doc.Text(), "text changed by save and load");
    // Whatever the first save had to replace, a file saved by us loads and saves back unchanged,
    // unless its text begins with characters whose bytes read as a byte-order mark (possible only
    // when zero bytes in front of such bytes were dropped on load).
    const bool markLike = !(doc.FileFlags() & CXmlDocument::kEncodingFlags) &&
                          (saved.startsWith("\xEF\xBB\xBF") || saved.startsWith("\xFF\xFE") ||
                           saved.startsWith("\xFE\xFF"));
    if (!markLike)
        require(again.SaveToBytes() == saved, "saved file does not survive load and save:",
                enc + u' ' + QString::fromLatin1(saved.left(200).toHex(' ')));
}

// The same text handed over directly instead of through a file.
void checkReplace(const uint8_t* data, size_t size) {
    CXmlDocument doc;
    const QString text = QString::fromUtf16(reinterpret_cast<const char16_t*>(data),
                                            static_cast<qsizetype>(size / 2));
    const bool wellFormed = doc.ReplaceDocument(text);
    require(doc.Text() == text, "ReplaceDocument changed the text");
    checkIndex(doc);
    if (wellFormed) require(xmlcheck::reparseProblem(doc).isEmpty(), "replaced:", text);
}

void quiet(QtMsgType, const QMessageLogContext&, const QString&) {}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    qInstallMessageHandler(quiet);  // unknown charsets are reported on every other input
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    CXmlDocument doc;
    const bool loaded = doc.LoadFromBytes(bytes);
    require(loaded == doc.IsWellFormed(), "load result differs from IsWellFormed");
    checkIndex(doc);
    if (loaded) require(xmlcheck::reparseProblem(doc).isEmpty(), "fresh index:", doc.Text());
    checkRoundTrip(doc);
    walk(doc);

    const uint8_t* tail = size > 8 ? data + size - 8 : data;
    const size_t tailSize = size > 8 ? 8 : size;
    descend(doc, tail, tailSize);
    checkSetText(doc, QStringLiteral("a<b&c>d \"e' \u00e9"));
    checkAdd(doc, QStringLiteral("IsAutoStart"), QStringLiteral("true"));
    checkAdd(doc, QStringLiteral("Empty"), QString());
    doc.IntoElement();
    checkAdd(doc, QStringLiteral("Inner"), QStringLiteral("x"));
    doc.OutOfElement();
    checkSetText(doc, QString());
    checkRoundTrip(doc);
    if (size % 2 == 0) checkReplace(data, size);
    return 0;
}
