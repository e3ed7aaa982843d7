// The settings document's file handling: encodings on load and save, and files that go wrong.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "markup/Markup.h"
#include "markup/XmlCodec.h"
#include "tests/support/TempDir.h"

namespace {

bool writeBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QByteArray readBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

QByteArray utf16Bytes(const QString& text, bool bigEndian) {
    QByteArray out = bigEndian ? QByteArray("\xFE\xFF") : QByteArray("\xFF\xFE");
    for (const QChar c : text) {
        const char high = static_cast<char>(c.unicode() >> 8),
                   low = static_cast<char>(c.unicode() & 0xFF);
        out += bigEndian ? high : low;
        out += bigEndian ? low : high;
    }
    return out;
}

// Loads `bytes` from a file, sets the first child of the root to `value` and saves to the same
// file; returns the file's new bytes.
class FileRoundTrip {
public:
    bool load(const QByteArray& bytes) { return writeBytes(path(), bytes) && doc.LoadFile(path()); }
    QString value() {
        doc.ResetPosition();
        return doc.FindElement() && doc.IntoElement() && doc.FindElement()
                   ? doc.GetElementText()
                   : QStringLiteral("<missing>");
    }
    QByteArray setAndSave(const QString& v) {
        value();
        if (!doc.SetElementText(v)) return "<not set>";
        return save();
    }
    QByteArray save() {
        return doc.SaveFile(path()) ? readBytes(path()) : QByteArray("<not saved>");
    }
    QString path() const { return dir.file("settings.xml"); }

    testsupport::TempDir dir;
    CXmlDocument doc;
};

const QByteArray kBody =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<C>\r\n<IsChange>false</IsChange>\r\n</C>\r\n";

}  // namespace

TEST(XmlEncoding, Utf8ByteOrderMarkIsKeptOrLeftOutAsLoaded) {
    for (const bool bom : {true, false}) {
        FileRoundTrip rt;
        const QByteArray file = (bom ? QByteArray("\xEF\xBB\xBF") : QByteArray()) + kBody;
        ASSERT_TRUE(rt.load(file));
        EXPECT_EQ(rt.doc.FileFlags(), bom ? CXmlDocument::Utf8BomFile : 0);
        EXPECT_EQ(rt.save(), file);
        QByteArray changed = file;
        changed.replace(">false<", ">true<");
        EXPECT_EQ(rt.setAndSave("true"), changed);
    }
}

TEST(XmlEncoding, Utf16FilesLoadAndSaveWithTheirMark) {
    const QString text = QStringLiteral(
        "<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n<C><Name>Добрий день 😀</Name></C>\r\n");
    for (const bool big : {false, true}) {
        FileRoundTrip rt;
        ASSERT_TRUE(rt.load(utf16Bytes(text, big)));
        EXPECT_EQ(rt.doc.FileFlags(), big ? CXmlDocument::Utf16BeFile : CXmlDocument::Utf16LeFile);
        EXPECT_EQ(rt.value(), QStringLiteral("Добрий день 😀"));
        EXPECT_EQ(rt.save(), utf16Bytes(text, big));
        QString changed = text;
        changed.replace(QStringLiteral("Добрий день 😀"), QStringLiteral("ok"));
        EXPECT_EQ(rt.setAndSave("ok"), utf16Bytes(changed, big));
    }
}

TEST(XmlEncoding, Utf16ZeroUnitsAreDropped) {
    FileRoundTrip rt;
    ASSERT_TRUE(rt.load(QByteArray("\xFF\xFE<\0a\0>\0\0\0x\0<\0/\0a\0>\0", 20)));
    EXPECT_EQ(rt.doc.Text(), "<a>x</a>");
}

TEST(XmlEncoding, UndeclaredFileStartingWithTagIsUtf8) {
    FileRoundTrip rt;
    const QByteArray file = "<C><v>caf\xC3\xA9</v></C>";
    ASSERT_TRUE(rt.load(file));
    EXPECT_EQ(rt.value(), QString::fromUtf8("caf\xC3\xA9"));
    EXPECT_EQ(rt.doc.SaveEncoding(), "UTF-8");
    EXPECT_EQ(rt.save(), file);
}

TEST(XmlEncoding, DeclaredCharsetIsReadAndWrittenBack) {
    struct Case {
        QByteArray file;
        QString value;
        QString newValue;
        QByteArray newBytes;
    };
    const Case cases[] = {
        {"<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><C><v>caf\xE9</v></C>",
         QStringLiteral("café"), QStringLiteral("über"),
         "\xFC"
         "ber"},
        {"<?xml version='1.0' encoding = 'windows-1252' ?>\n<C><v>\x80 5</v></C>",
         QStringLiteral("€ 5"), QStringLiteral("„x“"), "\x84x\x93"},
        {"<?xml version=\"1.0\" encoding=\"koi8-r\"?><C><v>\xF0\xD2\xC9\xD7\xC5\xD4</v></C>",
         QStringLiteral("Привет"), QStringLiteral("Да"), "\xE4\xC1"},
    };
    for (const Case& c : cases) {
        FileRoundTrip rt;
        ASSERT_TRUE(rt.load(c.file));
        EXPECT_EQ(rt.value(), c.value);
        EXPECT_EQ(rt.save(), c.file);  // untouched: byte for byte
        QByteArray expected = c.file;
        expected.replace(
            c.value.isEmpty() ? QByteArray() : XmlCodec::encode(c.value, rt.doc.SaveEncoding()),
            c.newBytes);
        EXPECT_EQ(rt.setAndSave(c.newValue), expected) << c.file.constData();
    }
}

TEST(XmlEncoding, CharactersTheCharsetCannotHoldBecomeQuestionMarks) {
    FileRoundTrip rt;
    ASSERT_TRUE(rt.load("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><C><v>x</v></C>"));
    EXPECT_EQ(rt.setAndSave(QStringLiteral("a€😀b")),
              QByteArray("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><C><v>a??b</v></C>"));
}

TEST(XmlEncoding, HtmlMetaCharsetIsReadAndKeptOnSave) {
    const QByteArray pages[] = {
        "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=ISO-8859-1\">"
        "</head><body>\xE9t\xE9</body></html>",
        "<html><head><META CHARSET=\"iso-8859-1\"/></head><body>\xE9t\xE9</body></html>",
    };
    for (const QByteArray& page : pages) {
        FileRoundTrip rt;
        rt.load(page);  // HTML is not well formed here (an open meta tag); it is read all the same
        EXPECT_TRUE(rt.doc.Text().contains(QStringLiteral("été"))) << page.constData();
        EXPECT_EQ(rt.save(), page);
    }
}

TEST(XmlEncoding, UnknownCharsetFallsBackWithoutLosingBytes) {
    const QByteArray files[] = {
        "<?xml version=\"1.0\" encoding=\"x-no-such-charset\"?><C><v>caf\xE9</v></C>",
        "<?xml version=\"1.0\" encoding=\"x-no-such-charset\"?><C><v>caf\xC3\xA9</v></C>",
        "<?xml version=\"1.0\" encoding=\"UTF-8//TRANSLIT\"?><C><v>caf\xC3\xA9</v></C>",
        "<?xml version=\"1.0\" encoding=\"UTF-16\"?><C><v>caf\xC3\xA9</v></C>",  // no mark: bytes
    };
    for (const QByteArray& file : files) {
        FileRoundTrip rt;
        ASSERT_TRUE(rt.load(file));
        EXPECT_EQ(rt.value(), QStringLiteral("café")) << file.constData();
        EXPECT_EQ(rt.save(), file);
    }
}

TEST(XmlEncoding, BytesThatAreNotUtf8FallBackToTheAnsiCharset) {
    FileRoundTrip rt;
    // Starts with "<" but is not UTF-8: read as Windows-1252, saved back unchanged.
    const QByteArray file = "<C><v>\x93quoted\x94 caf\xE9</v></C>";
    ASSERT_TRUE(rt.load(file));
    EXPECT_EQ(rt.value(), QStringLiteral("“quoted” café"));
    EXPECT_EQ(rt.save(), file);

    // Bytes that Windows-1252 leaves undefined: read byte for byte as Latin-1 instead.
    FileRoundTrip latin;
    const QByteArray odd = "<C><v>\x81\x8D\x8F\x90\x9D\xFF</v></C>";
    ASSERT_TRUE(latin.load(odd));
    EXPECT_EQ(latin.value().size(), 6);
    EXPECT_EQ(latin.save(), odd);
}

TEST(XmlEncoding, ZeroBytesAreDroppedFromByteFiles) {
    FileRoundTrip rt;
    ASSERT_TRUE(rt.load(QByteArray("<a>\0x\0</a>", 10)));
    EXPECT_EQ(rt.doc.Text(), "<a>x</a>");
}

TEST(XmlEncoding, EachLoadForgetsTheEncodingOfTheLastOne) {
    testsupport::TempDir dir;
    ASSERT_TRUE(writeBytes(dir.file("wide.xml"), utf16Bytes("<a>1</a>", false)));
    ASSERT_TRUE(writeBytes(dir.file("narrow.xml"), "<a>2</a>"));
    CXmlDocument doc;
    ASSERT_TRUE(doc.LoadFile(dir.file("wide.xml")));
    ASSERT_TRUE(doc.LoadFile(dir.file("narrow.xml")));
    EXPECT_EQ(doc.FileFlags(), 0);
    ASSERT_TRUE(doc.SaveFile(dir.file("out.xml")));
    EXPECT_EQ(readBytes(dir.file("out.xml")), "<a>2</a>");
}

TEST(XmlEncoding, MissingOrIllFormedFiles) {
    testsupport::TempDir dir;
    CXmlDocument doc;
    EXPECT_FALSE(doc.LoadFile(dir.file("missing.xml")));
    EXPECT_TRUE(doc.Text().isEmpty());
    EXPECT_FALSE(doc.LoadFile(dir.path()));  // a folder

    ASSERT_TRUE(writeBytes(dir.file("empty.xml"), ""));
    EXPECT_FALSE(doc.LoadFile(dir.file("empty.xml")));

    // Ill-formed: false, but the text is kept for whoever wants to look.
    ASSERT_TRUE(writeBytes(dir.file("bad.xml"), "<C><IsChange>true</C>"));
    EXPECT_FALSE(doc.LoadFile(dir.file("bad.xml")));
    EXPECT_EQ(doc.Text(), "<C><IsChange>true</C>");
}

TEST(XmlEncoding, BinaryGarbageLoadsWithoutHarm) {
    QByteArray garbage;
    for (int round = 0; round < 4; ++round)
        for (int b = 0; b < 256; ++b) garbage += static_cast<char>((b * 37 + round * 11) & 0xFF);
    for (const QByteArray& prefix :
         {QByteArray(), QByteArray("\xFF\xFE"), QByteArray("\xEF\xBB\xBF"),
          QByteArray("<?xml version=\"1.0\" encoding=\"SHIFT_JIS\"?>")}) {
        FileRoundTrip rt;
        EXPECT_FALSE(rt.load(prefix + garbage));
        EXPECT_NE(rt.save(), QByteArray("<not saved>"));
    }
}

TEST(XmlEncoding, LargeFilesLoadAndOversizedOnesAreRefused) {
    testsupport::TempDir dir;
    QByteArray big = "<C>";
    const QByteArray item = "<IsChange>false</IsChange>\r\n";
    while (big.size() < 2 * 1024 * 1024) big += item;
    big += "</C>";
    ASSERT_TRUE(writeBytes(dir.file("big.xml"), big));
    CXmlDocument doc;
    EXPECT_TRUE(doc.LoadFile(dir.file("big.xml")));

    QFile huge(dir.file("huge.xml"));
    ASSERT_TRUE(huge.open(QIODevice::WriteOnly));
    ASSERT_TRUE(huge.resize(CXmlDocument::kMaxFileBytes + 1));  // sparse: quick to make
    huge.close();
    EXPECT_FALSE(doc.LoadFile(dir.file("huge.xml")));
    EXPECT_TRUE(doc.Text().isEmpty());
}

TEST(XmlEncoding, SaveReplacesTheFileWholeAndLeavesNoTemporaryFile) {
    testsupport::TempDir dir;
    const QString path = dir.file("QvCamera.xml");
    ASSERT_TRUE(writeBytes(path, QByteArray(5000, 'x')));
    CXmlDocument doc;
    doc.ReplaceDocument("<a>1</a>");
    ASSERT_TRUE(doc.SaveFile(path));
    EXPECT_EQ(readBytes(path), "<a>1</a>");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"QvCamera.xml"});
}

TEST(XmlEncoding, SaveIntoAnUnusableFolderFails) {
    testsupport::TempDir dir;
    ASSERT_TRUE(writeBytes(dir.file("plain"), "not a folder"));
    CXmlDocument doc;
    doc.ReplaceDocument("<a/>");
    EXPECT_FALSE(doc.SaveFile(dir.file("missing/QvCamera.xml")));
    EXPECT_FALSE(doc.SaveFile(dir.file("plain/QvCamera.xml")));
    EXPECT_FALSE(doc.SaveFile(dir.path()));  // the target is a folder
    EXPECT_EQ(readBytes(dir.file("plain")), "not a folder");
}
