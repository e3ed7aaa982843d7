#include "pictures/PdfExport.h"
#include "tests/pictures/PictureFixture.h"
#include "tests/support/FileSizeLimit.h"
#include "tests/support/LogCapture.h"

#include <QDir>
#include <QFileInfo>
#include <QImageWriter>

#include <sys/stat.h>

#include <cstdlib>

using pictures::PdfExport;

namespace {

class PdfExportTest : public picturetest::PictureFixture {
protected:
    PdfExportTest() { QDir().mkpath(outFolder()); }

    PdfExport exporter() {
        return PdfExport(
            store, [this](const QByteArray& text) { messages += QString::fromUtf8(text); },
            [this] { return now; });
    }
    bool exportTo(const QString& name, const std::vector<int>& pictures) {
        QString folder = outFolder(), file = name;
        return exporter().ExportPdf(folder, file, pictures);
    }
    QString outFolder() const { return tmp.path() + "/out/"; }
    QStringList outFiles() const { return QDir(outFolder()).entryList(QDir::Files | QDir::Hidden); }

    QString messages;
    QDateTime now{QDate(2024, 3, 7), QTime(9, 41, 5)};
};

// Mean difference per channel of two pictures of the same size; -1 when the sizes differ.
double meanDifference(const QImage& a, const QImage& b) {
    if (a.size() != b.size() || a.isNull()) return -1;
    const QImage x = a.convertToFormat(QImage::Format_RGB888);
    const QImage y = b.convertToFormat(QImage::Format_RGB888);
    double sum = 0;
    for (int row = 0; row < x.height(); ++row) {
        const uchar* p = x.constScanLine(row);
        const uchar* q = y.constScanLine(row);
        for (int i = 0; i < x.width() * 3; ++i) sum += std::abs(p[i] - q[i]);
    }
    return sum / (x.width() * x.height() * 3.0);
}

}  // namespace

TEST_F(PdfExportTest, PagesInListOrderSkippingMissingPicturesOpeningOnTheLast) {
    writePicture(1, {800, 600});
    writePicture(2, {640, 480});
    writePicture(3, {1024, 768});
    QFile::remove(store.picturePath(2));
    ASSERT_TRUE(exportTo("three.pdf", {3, 2, 1})) << messages.toStdString();
    const QString pdf = outFolder() + "three.pdf";
    EXPECT_TRUE(qpdfAccepts(pdf));
    EXPECT_EQ(pageCount(pdf), 2);
    EXPECT_EQ(pageSizes(pdf), QStringList({"1024x768", "800x600"}));
    const QStringList pages = pageObjects(pdf);
    ASSERT_EQ(pages.size(), 2);
    EXPECT_EQ(openAction(pdf), "[ " + pages[1] + " /XYZ 0 600 1 ]")
        << "opens on the last page, top-left, at 100 %";
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(PdfExportTest, APageIsThePictureInPointsFilledByIt) {
    writePicture(4, {1600, 1200});
    ASSERT_TRUE(exportTo("big.pdf", {4}));
    const QString pdf = outFolder() + "big.pdf";
    EXPECT_TRUE(qpdfAccepts(pdf));
    EXPECT_EQ(pageSizes(pdf), QStringList({"1600x1200"}));
    const QImage page = renderPage(pdf, 1);
    const double diff = meanDifference(page, QImage(store.picturePath(4)));
    EXPECT_GE(diff, 0) << "rendered " << page.width() << "x" << page.height();
    EXPECT_LT(diff, 3.0) << "the page shows the JPEG itself";
    // The JPEG goes in as it is, not decoded and encoded again.
    EXPECT_TRUE(readFile(pdf).contains(readFile(store.picturePath(4))));
}

TEST_F(PdfExportTest, GeneratedNameInTheImageFolderWrittenBackAndReusedWithinTheHour) {
    writePicture(1, {320, 240});
    writePicture(2, {400, 300});
    QString folder, name;
    ASSERT_TRUE(exporter().ExportPdf(folder, name, {1}));
    EXPECT_EQ(folder, store.imageFolder());
    EXPECT_EQ(name, "2024030709.pdf");
    EXPECT_TRUE(qpdfAccepts(folder + name));
    EXPECT_EQ(pageSizes(folder + name), QStringList({"320x240"}));

    now = now.addSecs(18 * 60);
    QString folder2, name2;
    ASSERT_TRUE(exporter().ExportPdf(folder2, name2, {2, 1}));
    EXPECT_EQ(folder2 + name2, folder + name);
    EXPECT_EQ(pageSizes(folder + name), QStringList({"400x300", "320x240"})) << "overwritten";
    EXPECT_TRUE(qpdfAccepts(folder + name));

    now = now.addSecs(3600);
    EXPECT_EQ(PdfExport::generatedName(now), "2024030710.pdf");
}

TEST_F(PdfExportTest, NothingToExportReturnsFalseAndLeavesTheParameters) {
    QString folder, name;
    EXPECT_FALSE(exporter().ExportPdf(folder, name, {}));
    EXPECT_TRUE(folder.isEmpty());
    EXPECT_TRUE(name.isEmpty());
    EXPECT_TRUE(QDir(store.imageFolder()).entryList(QDir::Files).isEmpty());

    // Every picture gone, or a folder in its place: no empty document either.
    QDir().mkpath(store.picturePath(5));
    EXPECT_FALSE(exporter().ExportPdf(folder, name, {5, 6}));
    EXPECT_EQ(messages, "error: no picture to export\n");
    EXPECT_TRUE(folder.isEmpty());
    EXPECT_TRUE(QDir(store.imageFolder()).entryList(QDir::Files).isEmpty());
}

TEST_F(PdfExportTest, AFolderWherePictureShouldBeIsSkipped) {
    writePicture(1, {320, 240});
    QDir().mkpath(store.picturePath(2));
    ASSERT_TRUE(exportTo("skip.pdf", {1, 2}));
    EXPECT_EQ(pageCount(outFolder() + "skip.pdf"), 1);
    EXPECT_TRUE(qpdfAccepts(outFolder() + "skip.pdf"));
}

// A power cut or a full disk cuts a picture short; one such must not cost the teacher the rest.
TEST_F(PdfExportTest, DamagedPicturesAreLeftOutCountedAndLoggedAndTheRestGoesThrough) {
    for (int n = 1; n <= 6; ++n) writePicture(n, {320, 240});
    const QByteArray whole3 = readFile(store.picturePath(3));
    writeFile(store.picturePath(3), whole3.left(whole3.size() / 2));
    testsupport::LogCapture log;
    QString folder = outFolder(), name = "six.pdf";
    int leftOut = -1;
    ASSERT_TRUE(exporter().ExportPdf(folder, name, {1, 2, 3, 4, 5, 6}, &leftOut))
        << messages.toStdString();
    EXPECT_EQ(leftOut, 1);
    EXPECT_EQ(pageCount(outFolder() + "six.pdf"), 5);
    EXPECT_TRUE(qpdfAccepts(outFolder() + "six.pdf"));
    EXPECT_EQ(log.matching("ostrely.share", {"0000000003.jpg", "damaged"}).size(), 1);

    // Other damage: a PNG under a picture's name, text, headers cut short, a frame of no size.
    ASSERT_TRUE(picturetest::testPicture({320, 240}, 2).save(store.picturePath(2), "PNG"));
    writeFile(store.picturePath(4), "not a picture");
    writeFile(store.picturePath(5), readFile(store.picturePath(5)).left(100));
    QByteArray noSize = readFile(store.picturePath(6));
    const qsizetype sof = noSize.indexOf("\xff\xc0");
    ASSERT_GT(sof, 0);
    noSize[sof + 5] = noSize[sof + 6] = 0;  // height 0
    writeFile(store.picturePath(6), noSize);
    name = "one.pdf";
    ASSERT_TRUE(exporter().ExportPdf(folder, name, {1, 2, 3, 4, 5, 6}, &leftOut));
    EXPECT_EQ(leftOut, 5);
    EXPECT_EQ(pageCount(outFolder() + "one.pdf"), 1);

    // Nothing whole: no document, and the earlier file stays as it was.
    const QByteArray earlier = readFile(outFolder() + "one.pdf");
    messages.clear();
    name = "one.pdf";
    EXPECT_FALSE(exporter().ExportPdf(folder, name, {2, 3}, &leftOut));
    EXPECT_EQ(leftOut, 2);
    EXPECT_EQ(messages, "error: no picture to export\n");
    EXPECT_EQ(readFile(outFolder() + "one.pdf"), earlier);
    EXPECT_EQ(outFiles(), QStringList({"one.pdf", "six.pdf"})) << "nothing half-written beside it";
}

TEST_F(PdfExportTest, TargetsThatCannotBeWrittenFailWithAMessage) {
    writePicture(1, {320, 240});
    QString folder = tmp.path() + "/missing/", name = "x.pdf";
    EXPECT_FALSE(exporter().ExportPdf(folder, name, {1}));
    EXPECT_EQ(folder, tmp.path() + "/missing/");
    EXPECT_TRUE(messages.startsWith("ERROR: error_no=1017, detail_no=")) << messages.toStdString();

    // A file where the folder should be.
    messages.clear();
    writeFile(tmp.file("plain"), "x");
    folder = tmp.file("plain") + "/";
    EXPECT_FALSE(exporter().ExportPdf(folder, name, {1}));
    EXPECT_TRUE(messages.startsWith("ERROR: error_no=1017")) << messages.toStdString();
    EXPECT_EQ(readFile(tmp.file("plain")), "x");

    // A name longer than the file system takes, and a path longer than any it takes.
    messages.clear();
    folder = outFolder();
    name = QString(300, 'n') + ".pdf";
    EXPECT_FALSE(exporter().ExportPdf(folder, name, {1}));
    // Refused at the open or at the final rename, as the file system decides.
    EXPECT_TRUE(messages.startsWith("ERROR: error_no=101")) << messages.toStdString();
    EXPECT_TRUE(outFiles().isEmpty());
    messages.clear();
    folder = outFolder() + QString(PdfExport::kMaxPathBytes, 'd') + "/";
    EXPECT_FALSE(exporter().ExportPdf(folder, name, {1}));
    EXPECT_EQ(messages, "ERROR: error_no=1017, detail_no=36\n");
    EXPECT_TRUE(outFiles().isEmpty());

    // The target is a folder: it stays one.
    messages.clear();
    QDir().mkpath(outFolder() + "taken.pdf");
    EXPECT_FALSE(exportTo("taken.pdf", {1}));
    EXPECT_TRUE(QFileInfo(outFolder() + "taken.pdf").isDir());
    EXPECT_FALSE(messages.isEmpty());
}

// The list hides as if all went well; the log keeps which file failed and why.
TEST_F(PdfExportTest, AFailedExportLeavesOneLineWithTheFileAndTheCause) {
    writePicture(1, {320, 240});
    testsupport::LogCapture log;
    QString folder = tmp.path() + "/missing/", name = "x.pdf";
    EXPECT_FALSE(exporter().ExportPdf(folder, name, {1}));
    const QString target = tmp.path() + "/missing/x.pdf";
    EXPECT_EQ(log.matching("ostrely.share", {target, "failed", "No such file or directory"}).size(),
              1)
        << log.lines().join('\n').toStdString();

    folder = outFolder() + QString(PdfExport::kMaxPathBytes, 'd') + "/";
    EXPECT_FALSE(exporter().ExportPdf(folder, name, {1}));
    EXPECT_EQ(log.matching("ostrely.share", {"File name too long"}).size(), 1);

    folder = outFolder();
    EXPECT_FALSE(exporter().ExportPdf(folder, name, {7}));
    EXPECT_EQ(log.matching("ostrely.share", {outFolder() + "x.pdf", "none of the pictures"}).size(),
              1);
    EXPECT_EQ(log.lines().size(), 3) << log.lines().join('\n').toStdString();
}

// The disk fills at any point of the save, the very last bytes too: the export fails, and the
// earlier file stays, with nothing beside it.
TEST_F(PdfExportTest, AFullDiskAnywhereInTheSaveLeavesTheEarlierFile) {
    writePicture(1, {640, 480});
    writePicture(2, {640, 480});
    ASSERT_TRUE(exportTo("keep.pdf", {1, 2}));
    const QByteArray earlier = readFile(outFolder() + "keep.pdf");
    const auto size = static_cast<rlim_t>(earlier.size());
    for (rlim_t limit : {rlim_t{1024}, size / 2, size - 8, size - 1}) {
        messages.clear();
        bool saved = true;
        {
            const testsupport::FileSizeLimit fullDisk(limit);
            saved = exportTo("keep.pdf", {2, 1});
        }
        EXPECT_FALSE(saved) << limit;
        EXPECT_TRUE(messages.startsWith("ERROR: error_no=")) << limit << messages.toStdString();
        EXPECT_EQ(readFile(outFolder() + "keep.pdf"), earlier) << limit;
        EXPECT_EQ(outFiles(), QStringList({"keep.pdf"})) << limit;
    }
}

TEST_F(PdfExportTest, ANewFileIsReadableByOthersAndAReplacedOneKeepsItsPermissions) {
    writePicture(1, {320, 240});
    ASSERT_TRUE(exportTo("new.pdf", {1}));
    EXPECT_TRUE(QFile::permissions(outFolder() + "new.pdf") & QFileDevice::ReadOther);
    ASSERT_TRUE(QFile::setPermissions(outFolder() + "new.pdf",
                                      QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    ASSERT_TRUE(exportTo("new.pdf", {1}));
    const QFileDevice::Permissions kept = QFile::permissions(outFolder() + "new.pdf");
    EXPECT_TRUE(kept & QFileDevice::ReadOwner);
    EXPECT_FALSE(kept & (QFileDevice::ReadGroup | QFileDevice::ReadOther));
}

namespace {

// The bytes of a PDF literal string as a reader takes them: its escapes undone.
QByteArray unescapeLiteral(const QByteArray& s) {
    QByteArray out;
    for (qsizetype i = 0; i < s.size(); ++i) {
        if (s[i] != '\\' || i + 1 >= s.size()) {
            out += s[i];
            continue;
        }
        const char c = s[++i];
        if (c >= '0' && c <= '7') {
            int value = 0;
            for (int k = 0; k < 3 && i < s.size() && s[i] >= '0' && s[i] <= '7'; ++k, ++i)
                value = value * 8 + (s[i] - '0');
            --i;
            out += static_cast<char>(value);
        } else {
            out += c;
        }
    }
    return out;
}

// The strings shown with ' in a content stream, in order.
QList<QByteArray> shownTexts(const QByteArray& content) {
    QList<QByteArray> texts;
    qsizetype at = 0;
    while ((at = content.indexOf('(', at)) >= 0) {
        qsizetype end = at + 1;
        int depth = 1;
        for (; end < content.size() && depth > 0; ++end) {
            if (content[end] == '\\') {
                ++end;
                continue;
            }
            depth += content[end] == '(' ? 1 : content[end] == ')' ? -1 : 0;
        }
        texts << unescapeLiteral(content.mid(at + 1, end - at - 2));
        at = end;
    }
    return texts;
}

QString objectOf(const QString& dict, const QString& key) {
    return QRegularExpression("/" + key + " (\\d+) 0 R").match(dict).captured(1);
}

}  // namespace

// Any byte may be in a folder's or a file's name: the file lands where asked and the page's text
// is the picture's path, byte for byte.
TEST_F(PdfExportTest, PathsWithAnyCharactersGoInAsTheyAre) {
    testsupport::TempDir odd;
    const QString tempFolder = odd.path() + QStringLiteral("/Урок (2) a\\b) 数学 é");
    ASSERT_TRUE(QDir().mkpath(tempFolder));
    camera::PictureStore oddStore(tempFolder);
    oddStore.prepare();
    ASSERT_TRUE(picturetest::testPicture({400, 300}, 1).save(oddStore.picturePath(1), "JPG"));
    const QString outDir = odd.path() + QStringLiteral("/Вихід ü/");
    ASSERT_TRUE(QDir().mkpath(outDir));
    QString folder = outDir, name = QStringLiteral("Стіна (1) 黑板.pdf");
    const PdfExport oddExport(oddStore,
                              [this](const QByteArray& t) { messages += QString::fromUtf8(t); });
    ASSERT_TRUE(oddExport.ExportPdf(folder, name, {1})) << messages.toStdString();
    const QString pdf = outDir + name;
    EXPECT_TRUE(qpdfAccepts(pdf));
    EXPECT_EQ(pageSizes(pdf), QStringList({"400x300"}));
    EXPECT_EQ(QDir(outDir).entryList(QDir::Files | QDir::Hidden), QStringList({name}));

    const QStringList pages = pageObjects(pdf);
    ASSERT_EQ(pages.size(), 1);
    const QString page =
        picturetest::runTool("qpdf", {"--show-object=" + pages[0].section(' ', 0, 0), pdf}).out;
    const QString content = objectOf(page, "Contents");
    ASSERT_FALSE(content.isEmpty()) << page.toStdString();
    EXPECT_TRUE(picturetest::runTool("qpdf", {"--show-object=" + content, pdf})
                    .out.contains("/FlateDecode"))
        << "the page's own stream is compressed";
    QProcess qpdf;
    qpdf.start("qpdf", {"--show-object=" + content, "--filtered-stream-data", pdf});
    ASSERT_TRUE(qpdf.waitForFinished(60000));
    const QByteArray stream = qpdf.readAllStandardOutput();
    EXPECT_EQ(shownTexts(stream), QList<QByteArray>({QFile::encodeName(oddStore.picturePath(1))}))
        << stream.toStdString();
}

// Grey pictures and progressive ones are JPEGs a reader shows as they are.
TEST_F(PdfExportTest, GreyAndProgressivePicturesShowAsTheyAre) {
    const QImage grey =
        picturetest::testPicture({320, 240}, 3).convertToFormat(QImage::Format_Grayscale8);
    ASSERT_TRUE(grey.save(store.picturePath(1), "JPG", 90));
    QImageWriter progressive(store.picturePath(2), "jpeg");
    progressive.setProgressiveScanWrite(true);
    ASSERT_TRUE(progressive.write(picturetest::testPicture({320, 240}, 4)));
    ASSERT_TRUE(exportTo("kinds.pdf", {1, 2})) << messages.toStdString();
    const QString pdf = outFolder() + "kinds.pdf";
    EXPECT_TRUE(qpdfAccepts(pdf));
    for (int page : {1, 2}) {
        const double diff = meanDifference(renderPage(pdf, page), QImage(store.picturePath(page)));
        EXPECT_GE(diff, 0) << page;
        EXPECT_LT(diff, 3.0) << page;
    }
}

// A file a PDF cannot carry as it is counts as damaged; a FIFO in a picture's place is not
// waited on.
TEST_F(PdfExportTest, UnusableFramesAreLeftOutAndAFifoIsSkipped) {
    for (int n = 1; n <= 3; ++n) writePicture(n, {320, 240});
    QByteArray twelveBits = readFile(store.picturePath(2));
    const qsizetype sof = twelveBits.indexOf("\xff\xc0");
    ASSERT_GT(sof, 0);
    twelveBits[sof + 4] = 12;
    writeFile(store.picturePath(2), twelveBits);
    QByteArray twoComponents = readFile(store.picturePath(3));
    twoComponents[twoComponents.indexOf("\xff\xc0") + 9] = 2;
    writeFile(store.picturePath(3), twoComponents);
    ASSERT_EQ(::mkfifo(QFile::encodeName(store.picturePath(4)).constData(), 0600), 0);
    QString folder = outFolder(), name = "usable.pdf";
    int leftOut = -1;
    ASSERT_TRUE(exporter().ExportPdf(folder, name, {1, 2, 3, 4}, &leftOut));
    EXPECT_EQ(leftOut, 2);
    EXPECT_EQ(pageCount(outFolder() + "usable.pdf"), 1);
    EXPECT_TRUE(qpdfAccepts(outFolder() + "usable.pdf"));
}

// Many pages: the cross-reference table and the page tree stay right, and progress is told after
// every picture, missing ones included.
TEST_F(PdfExportTest, ManyPagesWithProgressAfterEveryPicture) {
    std::vector<int> numbers;
    for (int n = 1; n <= 40; ++n) {
        if (n % 10 != 0) writePicture(n, {64 + n, 48});
        numbers.push_back(n);
    }
    std::vector<std::pair<int, int>> steps;
    QString folder = outFolder(), name = "many.pdf";
    ASSERT_TRUE(exporter().ExportPdf(folder, name, numbers, nullptr, [&](int done, int total) {
        steps.emplace_back(done, total);
    }));
    ASSERT_EQ(steps.size(), 40u);
    EXPECT_EQ(steps.front(), std::make_pair(1, 40));
    EXPECT_EQ(steps.back(), std::make_pair(40, 40));
    const QString pdf = outFolder() + "many.pdf";
    EXPECT_TRUE(qpdfAccepts(pdf));
    EXPECT_EQ(pageCount(pdf), 36);
    const QStringList sizes = pageSizes(pdf);
    ASSERT_EQ(sizes.size(), 36);
    EXPECT_EQ(sizes.front(), "65x48");
    EXPECT_EQ(sizes.back(), "103x48");
    const QStringList pages = pageObjects(pdf);
    EXPECT_EQ(openAction(pdf), "[ " + pages.back() + " /XYZ 0 48 1 ]");
}
