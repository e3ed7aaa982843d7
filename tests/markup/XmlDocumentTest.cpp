// The settings document: reading, navigating and changing values in place.
#include <gtest/gtest.h>

#include <QFile>

#include "markup/Markup.h"
#include "tests/markup/fuzz/XmlIndexCheck.h"
#include "tests/support/TempDir.h"

namespace {

const QString kDeclaration = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n");

const QString kCameraConfig = QStringLiteral(
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
    "<!-- written by hand -->\r\n"
    "<CameraConfig>\r\n"
    "\t<IsChange>false</IsChange>\r\n"
    "\t<IsAutoStart>true</IsAutoStart>\r\n"
    "</CameraConfig>\r\n");

// What the program does to read one setting of QvCamera.xml.
QString readSetting(CXmlDocument& doc, const QString& name) {
    doc.ResetPosition();
    if (!doc.FindElement() || !doc.IntoElement() || !doc.FindElement(name))
        return QStringLiteral("<missing>");
    return doc.GetElementText();
}

void expectConsistent(const CXmlDocument& doc) {
    EXPECT_EQ(xmlcheck::indexProblem(doc), QString());
    EXPECT_EQ(xmlcheck::reparseProblem(doc), QString());
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

}  // namespace

TEST(XmlDocument, NewSettingsFileIsTheFiveLinesInUtf8WithoutMark) {
    testsupport::TempDir dir;
    CXmlDocument doc;
    doc.ReplaceDocument(kDeclaration);
    ASSERT_TRUE(doc.AddElement("CameraConfig"));
    ASSERT_TRUE(doc.IntoElement());
    ASSERT_TRUE(doc.AddElement("IsChange", "false"));
    ASSERT_TRUE(doc.AddElement("IsAutoStart", "false"));
    ASSERT_TRUE(doc.OutOfElement());
    ASSERT_TRUE(doc.SaveFile(dir.file("QvCamera.xml")));

    EXPECT_EQ(readAll(dir.file("QvCamera.xml")),
              QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
                         "<CameraConfig>\r\n"
                         "<IsChange>false</IsChange>\r\n"
                         "<IsAutoStart>false</IsAutoStart>\r\n"
                         "</CameraConfig>\r\n"));
    expectConsistent(doc);
    CXmlDocument again;
    ASSERT_TRUE(again.LoadFile(dir.file("QvCamera.xml")));
    EXPECT_EQ(readSetting(again, "IsChange"), "false");
    EXPECT_EQ(readSetting(again, "IsAutoStart"), "false");
}

TEST(XmlDocument, ReadsBothSettingsInFileOrder) {
    CXmlDocument doc;
    ASSERT_TRUE(doc.ReplaceDocument(kCameraConfig));
    ASSERT_TRUE(doc.FindElement());
    ASSERT_TRUE(doc.IntoElement());
    ASSERT_TRUE(doc.FindElement("IsChange"));
    EXPECT_EQ(doc.GetElementText(), "false");
    ASSERT_TRUE(doc.FindElement("IsAutoStart"));
    EXPECT_EQ(doc.GetElementText(), "true");
}

TEST(XmlDocument, FindElementOnlySearchesAfterTheMainPosition) {
    CXmlDocument doc;
    ASSERT_TRUE(doc.ReplaceDocument(
        "<CameraConfig><IsAutoStart>true</IsAutoStart><IsChange>false</IsChange></CameraConfig>"));
    ASSERT_TRUE(doc.FindElement());
    ASSERT_TRUE(doc.IntoElement());
    ASSERT_TRUE(doc.FindElement("IsChange"));
    const int main = doc.MainPos();
    EXPECT_FALSE(doc.FindElement("IsAutoStart"));  // it exists, but before the main position
    EXPECT_EQ(doc.MainPos(), main);                // a failed search leaves the positions alone
    EXPECT_EQ(doc.GetElementText(), "false");
}

TEST(XmlDocument, NamesAreCaseSensitive) {
    CXmlDocument doc;
    ASSERT_TRUE(doc.ReplaceDocument("<CameraConfig><isChange>true</isChange></CameraConfig>"));
    ASSERT_TRUE(doc.FindElement("CameraConfig"));
    EXPECT_FALSE(doc.FindChildElement("IsChange"));
    ASSERT_TRUE(doc.IntoElement());
    EXPECT_FALSE(doc.FindElement("IsChange"));
    EXPECT_TRUE(doc.FindElement("isChange"));
    doc.ResetPosition();
    EXPECT_FALSE(doc.FindElement("cameraconfig"));
}

TEST(XmlDocument, FindChildElementReadsTheLanguageOfConfig) {
    CXmlDocument doc;
    ASSERT_TRUE(doc.ReplaceDocument(
        "<?xml version=\"1.0\"?>\n<Config><Theme>dark</Theme><Language>zh-CN</Language>"
        "<Language>ar</Language></Config>"));
    ASSERT_TRUE(doc.FindChildElement("Language"));  // finds the root first
    ASSERT_TRUE(doc.IntoElement());
    EXPECT_EQ(doc.GetElementText(), "zh-CN");
    // Out again: the child position is the element just read, so the next search goes on after it.
    ASSERT_TRUE(doc.OutOfElement());
    ASSERT_TRUE(doc.FindChildElement("Language"));
    ASSERT_TRUE(doc.IntoElement());
    EXPECT_EQ(doc.GetElementText(), "ar");
    ASSERT_TRUE(doc.OutOfElement());
    EXPECT_FALSE(doc.FindChildElement("Language"));
    EXPECT_FALSE(doc.OutOfElement());  // already at the top
}

TEST(XmlDocument, IntoElementNeedsAMainElement) {
    CXmlDocument doc;
    ASSERT_TRUE(doc.ReplaceDocument("<a><b/></a>"));
    EXPECT_FALSE(doc.IntoElement());
    EXPECT_FALSE(doc.OutOfElement());
    EXPECT_EQ(doc.GetElementText(), QString());
    EXPECT_FALSE(doc.SetElementText("x"));
    EXPECT_EQ(doc.Text(), "<a><b/></a>");
}

TEST(XmlDocument, IndexLinksSiblingsAndParents) {
    CXmlDocument doc;
    ASSERT_TRUE(doc.ReplaceDocument("<r><a/><b>t</b><c></c></r>"));
    const auto& el = doc.Elements();
    ASSERT_EQ(el.size(), 5u);
    EXPECT_EQ(el[0].firstChild, 1);
    EXPECT_EQ(el[1].firstChild, 2);
    EXPECT_EQ(el[2].prevSibling, 4);  // the first child's previous sibling is the last child
    EXPECT_EQ(el[2].nextSibling, 3);
    EXPECT_EQ(el[4].nextSibling, 0);
    EXPECT_EQ(el[3].parent, 1);
    EXPECT_TRUE(el[2].flags & XmlElementEntry::EmptyTag);
    EXPECT_EQ(el[3].startTagLength, 3);
    EXPECT_EQ(el[3].endTagLength, 4);
    EXPECT_EQ(el[1].length, static_cast<int>(doc.Text().size()));
}

TEST(XmlDocument, ElementTextDecodesReferencesAndCdataButKeepsSpaces) {
    CXmlDocument doc;
    ASSERT_TRUE(doc.ReplaceDocument(
        "<r><IsChange> true </IsChange>"
        "<v>&lt;&amp;&gt;&apos;&quot;&#65;&#x42;&#x1F600;&nbsp;&#0;&#xD800;&amp</v>"
        "<c>a<![CDATA[<b> &amp; ]]>c<!-- note -->d<?pi x?>e</c>"
        "<p><child/></p><e/></r>"));
    auto textOf = [&](const char* name) {
        doc.ResetPosition();
        doc.FindElement();
        doc.IntoElement();
        return doc.FindElement(name) ? doc.GetElementText() : QStringLiteral("<missing>");
    };
    EXPECT_EQ(textOf("IsChange"), " true ");
    EXPECT_EQ(textOf("v"), QString::fromUtf8("<&>'\"AB\xF0\x9F\x98\x80&nbsp;&#0;&#xD800;&amp"));
    EXPECT_EQ(textOf("c"), "a<b> &amp; cde");
    EXPECT_EQ(textOf("p"), QString());  // an element with child elements has no text
    EXPECT_EQ(textOf("e"), QString());
}

TEST(XmlDocument, SettingAValueOnOneLineChangesOnlyThoseCharacters) {
    const QString before = QStringLiteral(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?><CameraConfig><IsChange>false</IsChange>"
        "<IsAutoStart>true</IsAutoStart></CameraConfig>");
    CXmlDocument doc;
    ASSERT_TRUE(doc.ReplaceDocument(before));
    ASSERT_TRUE(doc.FindElement());
    ASSERT_TRUE(doc.IntoElement());
    ASSERT_TRUE(doc.FindElement("IsChange"));
    ASSERT_TRUE(doc.SetElementText("true"));
    QString expected = before;
    expected.replace("<IsChange>false<", "<IsChange>true<");
    EXPECT_EQ(doc.Text(), expected);
    // The positions stay; the following element is still found at its shifted place.
    EXPECT_EQ(doc.GetElementText(), "true");
    ASSERT_TRUE(doc.FindElement("IsAutoStart"));
    EXPECT_EQ(doc.GetElementText(), "true");
    expectConsistent(doc);
}

TEST(XmlDocument, SavingAChangedFileKeepsEverythingElseByteForByte) {
    testsupport::TempDir dir;
    const QString path = dir.file("QvCamera.xml");
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(kCameraConfig.toUtf8());
    }
    CXmlDocument doc;
    ASSERT_TRUE(doc.LoadFile(path));
    readSetting(doc, "IsAutoStart");
    ASSERT_TRUE(doc.SetElementText("false"));
    ASSERT_TRUE(doc.OutOfElement());
    ASSERT_TRUE(doc.SaveFile(path));
    QString expected = kCameraConfig;
    expected.replace("<IsAutoStart>true<", "<IsAutoStart>false<");
    EXPECT_EQ(readAll(path), expected.toUtf8());
}

TEST(XmlDocument, EscapedTextReadsBackUnchanged) {
    CXmlDocument doc;
    ASSERT_TRUE(doc.ReplaceDocument("<r><v>old</v></r>"));
    readSetting(doc, "v");
    const QString value = QStringLiteral(" a < b & c > d \"q\" 'a' ");
    ASSERT_TRUE(doc.SetElementText(value));
    EXPECT_EQ(doc.Text(), "<r><v> a &lt; b &amp; c &gt; d \"q\" 'a' </v></r>");
    CXmlDocument again;
    ASSERT_TRUE(again.ReplaceDocument(doc.Text()));
    EXPECT_EQ(readSetting(again, "v"), value);
}

TEST(XmlDocument, SetElementTextOpensAnEmptyElementTag) {
    CXmlDocument doc;
    ASSERT_TRUE(doc.ReplaceDocument("<r><IsChange/><b x=\"1\" /><c//><d>x</d></r>"));
    readSetting(doc, "IsChange");
    ASSERT_TRUE(doc.SetElementText("true"));
    ASSERT_TRUE(doc.FindElement("b"));
    ASSERT_TRUE(doc.SetElementText("2"));
    ASSERT_TRUE(doc.FindElement("c"));
    ASSERT_TRUE(doc.SetElementText("3"));
    EXPECT_EQ(doc.Text(), "<r><IsChange>true</IsChange><b x=\"1\" >2</b><c>3</c><d>x</d></r>");
    ASSERT_TRUE(doc.FindElement("d"));
    EXPECT_EQ(doc.GetElementText(), "x");
    expectConsistent(doc);
}

TEST(XmlDocument, SetElementTextRefusesAnElementWithChildren) {
    CXmlDocument doc;
    ASSERT_TRUE(doc.ReplaceDocument("<r><a><b/></a></r>"));
    readSetting(doc, "a");
    EXPECT_FALSE(doc.SetElementText("x"));
    EXPECT_EQ(doc.Text(), "<r><a><b/></a></r>");
}

TEST(XmlDocument, AddElementFollowsTheLineBreakAfterTheMainElement) {
    CXmlDocument doc;
    ASSERT_TRUE(doc.ReplaceDocument("<r>\r\n  <a/>\r\n  <c/>\r\n</r>"));
    readSetting(doc, "a");
    ASSERT_TRUE(doc.AddElement("b", "1"));
    EXPECT_EQ(doc.Text(), "<r>\r\n  <a/>\r\n  <b>1</b>\r\n<c/>\r\n</r>");
    EXPECT_EQ(doc.GetElementText(), "1");
    ASSERT_TRUE(doc.FindElement());
    EXPECT_EQ(doc.Elements()[static_cast<size_t>(doc.MainPos())].start, doc.Text().indexOf("<c/>"));
    expectConsistent(doc);
}

TEST(XmlDocument, AddElementGoesRightAfterTheMainElementWhenTextFollows) {
    CXmlDocument doc;
    ASSERT_TRUE(doc.ReplaceDocument("<r><a/>tail</r>"));
    readSetting(doc, "a");
    ASSERT_TRUE(doc.AddElement("b"));
    EXPECT_EQ(doc.Text(), "<r><a/><b/>\r\ntail</r>");
    expectConsistent(doc);
}

TEST(XmlDocument, AddElementIntoAParentWithoutMainPosition) {
    struct Case {
        const char* before;
        const char* after;
    };
    const Case cases[] = {
        {"<r/>", "<r>\r\n<n>v</n>\r\n</r>"},  // empty-element tag is split
        {"<r a=\"1\"/>", "<r a=\"1\">\r\n<n>v</n>\r\n</r>"},
        {"<r></r>", "<r>\r\n<n>v</n>\r\n</r>"},                      // nothing between the tags
        {"<r>\r\n<a/>\r\n</r>", "<r>\r\n<a/>\r\n<n>v</n>\r\n</r>"},  // before the end tag
        {"<r>text</r>", "<r>text<n>v</n>\r\n</r>"},
    };
    for (const Case& c : cases) {
        CXmlDocument doc;
        ASSERT_TRUE(doc.ReplaceDocument(c.before)) << c.before;
        ASSERT_TRUE(doc.FindElement());
        ASSERT_TRUE(doc.IntoElement());
        ASSERT_TRUE(doc.AddElement("n", "v"));
        EXPECT_EQ(doc.Text(), c.after);
        EXPECT_EQ(doc.GetElementText(), "v");
        EXPECT_TRUE(doc.IsWellFormed());
        expectConsistent(doc);
        ASSERT_TRUE(doc.OutOfElement());
        EXPECT_EQ(doc.MainPos(), 1);
    }
}

TEST(XmlDocument, AddElementWithoutAnyPositionAppendsToTheDocument) {
    CXmlDocument doc;
    ASSERT_TRUE(doc.ReplaceDocument("<a/>"));
    ASSERT_TRUE(doc.AddElement("b", "x"));
    EXPECT_EQ(doc.Text(), "<a/><b>x</b>\r\n");
    EXPECT_FALSE(doc.IsWellFormed());  // now two top-level elements
    expectConsistent(doc);
}

TEST(XmlDocument, AddElementRefusesNamesThatWouldBreakTheMarkup) {
    CXmlDocument doc;
    ASSERT_TRUE(doc.ReplaceDocument("<r/>"));
    for (const char* name : {"", "a b", "a<b", "a>", "a/b", "a=b", "a\"", "!x", "?x"})
        EXPECT_FALSE(doc.AddElement(name, "v")) << name;
    EXPECT_EQ(doc.Text(), "<r/>");
}

TEST(XmlDocument, ChangesOnAnIllFormedDocumentStayInsideTheText) {
    // Start tags without end tags have no known content: they are left alone.
    CXmlDocument doc;
    EXPECT_FALSE(doc.ReplaceDocument("<r><a>x<b>y</r>"));
    ASSERT_TRUE(doc.FindElement());
    ASSERT_TRUE(doc.IntoElement());
    ASSERT_TRUE(doc.FindElement("a"));
    EXPECT_FALSE(doc.SetElementText("z"));
    EXPECT_EQ(doc.GetElementText(), QString());
    ASSERT_TRUE(doc.AddElement("c", "1"));
    EXPECT_EQ(xmlcheck::indexProblem(doc), QString());
}

TEST(XmlDocument, DeepNestingParsesWithoutRecursion) {
    const int depth = 100000;
    QString text;
    text.reserve(depth * 7);
    for (int i = 0; i < depth; ++i) text += "<a>";
    text += "leaf";
    for (int i = 0; i < depth; ++i) text += "</a>";
    CXmlDocument doc;
    ASSERT_TRUE(doc.ReplaceDocument(text));
    ASSERT_EQ(doc.Elements().size(), static_cast<size_t>(depth + 1));
    EXPECT_EQ(doc.Elements()[depth].parent, depth - 1);

    // The same depth never closed, then a flood of end tags that match nothing.
    text = QString("<a>").repeated(depth) + QString("</b>").repeated(depth);
    EXPECT_FALSE(doc.ReplaceDocument(text));
    EXPECT_EQ(xmlcheck::indexProblem(doc), QString());
}
