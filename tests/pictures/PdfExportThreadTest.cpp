#include "pictures/PdfExport.h"
#include "tests/pictures/PictureFixture.h"

#include <QDir>

#include <thread>

using pictures::PdfExport;

namespace {

class PdfExportThreadTest : public picturetest::PictureFixture {
protected:
    PdfExportThreadTest() { QDir().mkpath(outFolder()); }
    QString outFolder() const { return tmp.path() + "/out/"; }
    QStringList outFiles() const { return QDir(outFolder()).entryList(QDir::Files | QDir::Hidden); }
    QDateTime now{QDate(2024, 3, 7), QTime(9, 41, 5)};
};

}  // namespace

TEST_F(PdfExportThreadTest, ExportsOnTwoThreadsKeepTheirOwnErrors) {
    writePicture(1, {320, 240});
    QString goodMessages, badMessages;
    const PdfExport good(
        store, [&](const QByteArray& t) { goodMessages += QString::fromUtf8(t); },
        [this] { return now; });
    const PdfExport bad(
        store, [&](const QByteArray& t) { badMessages += QString::fromUtf8(t); },
        [this] { return now; });
    int goodDone = 0, badDone = 0;
    std::thread a([&] {
        for (int i = 0; i < 20; ++i) {
            QString folder = outFolder(), name = "good.pdf";
            goodDone += good.ExportPdf(folder, name, {1, 1}) ? 1 : 0;
        }
    });
    std::thread b([&] {
        for (int i = 0; i < 20; ++i) {
            QString folder = outFolder() + "missing/", name = "bad.pdf";
            badDone += bad.ExportPdf(folder, name, {1}) ? 1 : 0;
        }
    });
    a.join();
    b.join();
    EXPECT_EQ(goodDone, 20);
    EXPECT_EQ(badDone, 0);
    EXPECT_TRUE(goodMessages.isEmpty()) << goodMessages.toStdString();
    EXPECT_EQ(badMessages.count("ERROR: error_no="), 20);
    EXPECT_EQ(pageCount(outFolder() + "good.pdf"), 2);
    EXPECT_TRUE(qpdfAccepts(outFolder() + "good.pdf"));
    EXPECT_EQ(outFiles(), QStringList({"good.pdf"}));
}
