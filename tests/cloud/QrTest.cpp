// The QR bitmap file, the view's arithmetic, and the view itself.
#include "cloud/QrBitmap.h"
#include "cloud/QrLayout.h"
#include "cloud/ui/QRCodeView.h"
#include "tests/support/TempDir.h"

#include <QComboBox>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QProcess>
#include <QProgressBar>

#include <gtest/gtest.h>

using namespace cloud;

namespace {

quint32 le32(const QByteArray& b, int at) {
    quint32 v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<quint8>(b[at + i]);
    return v;
}
quint16 le16(const QByteArray& b, int at) {
    return static_cast<quint16>(static_cast<quint8>(b[at]) | static_cast<quint8>(b[at + 1]) << 8);
}

// zbarimg's reading of an image file, or "" when it finds no symbol.
QString zbarRead(const QString& path) {
    QProcess p;
    p.start("zbarimg", {"--raw", "-q", path});
    p.waitForFinished(20000);
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

const QByteArray kThirtyBytes = "http://127.0.0.1:8080/abc.pdf0";

}  // namespace

TEST(QrBitmap, ThirtyBytesAtLevelHMakeAVersionFourSymbolOf264Pixels) {
    ASSERT_EQ(kThirtyBytes.size(), 30);
    const auto file = qrBitmapBytes(kThirtyBytes);
    ASSERT_TRUE(file.has_value());
    const QByteArray& b = *file;
    ASSERT_EQ(b.size(), 209142);
    EXPECT_EQ(b.left(2), "BM");
    EXPECT_EQ(le32(b, 2), 209142u);
    EXPECT_EQ(le32(b, 6), 0u);  // both reserved fields
    EXPECT_EQ(le32(b, 10), 54u);
    EXPECT_EQ(le32(b, 14), 40u);
    EXPECT_EQ(le32(b, 18), 264u);
    EXPECT_EQ(le32(b, 22), 264u);
    EXPECT_EQ(le16(b, 26), 1);
    EXPECT_EQ(le16(b, 28), 24);
    for (int at = 30; at < 54; at += 4) EXPECT_EQ(le32(b, at), 0u) << at;
    // No quiet zone: the finder pattern's dark corner is the image's top-left pixel, which is the
    // first pixel of the last stored row (rows are stored bottom-up).
    const int row = 3 * 264;
    EXPECT_EQ(static_cast<quint8>(b[54 + 263 * row]), 0);
    // Bottom-right module of a symbol is never part of a finder: check the top-right finder too.
    EXPECT_EQ(static_cast<quint8>(b[54 + 263 * row + 3 * 263]), 0);
    for (char c : b.mid(54))
        ASSERT_TRUE(static_cast<quint8>(c) == 0 || static_cast<quint8>(c) == 255);
}

TEST(QrBitmap, TheWrittenFileReadsBackAsTheLink) {
    testsupport::TempDir dir;
    const QString path = dir.file("QR.bmp");
    const QByteArray link = "http://127.0.0.1:41234/8f3a9c01-2024061514.pdf";
    ASSERT_TRUE(WriteQrBitmap(link, path));
    EXPECT_EQ(zbarRead(path), QString::fromUtf8(link));
}

TEST(QrBitmap, FailuresAreReportedNotFatal) {
    testsupport::TempDir dir;
    EXPECT_FALSE(WriteQrBitmap(QByteArray(4000, 'x'), dir.file("too-long.bmp")));
    EXPECT_FALSE(WriteQrBitmap("http://d/k", dir.file("no/such/folder/QR.bmp")));
}

TEST(QrLayout, TheWindowOf402PixelsGivesA330PictureAt28And5) {
    const UsableArea area = usableArea(402, 402, 4, 4, 23);
    EXPECT_EQ(area.width, 386);
    EXPECT_EQ(area.height, 340);
    const QrPlacement at = placeQr(area.width, area.height);
    EXPECT_EQ(at.side, 330);
    EXPECT_EQ(at.x, 28);
    EXPECT_EQ(at.y, 5);
    const QrPlacement wide = placeQr(340, 386);  // the other way round
    EXPECT_EQ(wide.side, 330);
    EXPECT_EQ(wide.x, 5);
    EXPECT_EQ(wide.y, 28);
    EXPECT_EQ(placeQr(6, 6).side, 0);
}

TEST(QrView, BeforeAShareResizingKeepsTheProgressBar) {
    QRCodeView view;
    view.showBlank();
    view.showProgress(1000);
    view.resize(500, 450);
    EXPECT_TRUE(view.progressBar()->isVisible());
    EXPECT_FALSE(view.picture()->isVisible());
    EXPECT_EQ(view.palette().color(QPalette::Window), QColor(Qt::white));
}

TEST(QrView, ALinkShowsTheCodeAndEachResizeReloadsIt) {
    testsupport::TempDir dir;
    QRCodeView view;
    view.showBlank();
    view.showProgress(5);
    view.setProgress(5);
    ASSERT_TRUE(view.ShowLink("http://127.0.0.1:9/k.pdf", dir.file("QR.bmp")));
    EXPECT_FALSE(view.progressBar()->isVisible());
    ASSERT_TRUE(view.picture()->isVisible());
    const QrPlacement at = placeQr(view.width(), view.height());
    EXPECT_EQ(view.picture()->geometry(), QRect(at.x, at.y, at.side, at.side));
    view.resize(600, 500);
    const QrPlacement bigger = placeQr(600, 500);
    EXPECT_EQ(view.picture()->geometry(), QRect(bigger.x, bigger.y, bigger.side, bigger.side));
    EXPECT_EQ(view.picture()->pixmap().width(), bigger.side);

    // The next share's upload: a resize still shows the last code.
    view.showProgress(10);
    view.resize(420, 420);
    EXPECT_FALSE(view.progressBar()->isVisible());
    EXPECT_TRUE(view.picture()->isVisible());
}

TEST(QrView, AnUnwritableLinkLeavesTheViewAsItWas) {
    QRCodeView view;
    view.showBlank();
    EXPECT_FALSE(view.ShowLink("http://d/k", "/nonexistent-dir/QR.bmp"));
    EXPECT_TRUE(view.imagePath().isEmpty());
}

TEST(QrView, DoubleClicksMaximiseAndRestoreInTurn) {
    QRCodeView view;
    view.show();
    EXPECT_FALSE(view.maximised());
    view.toggleMaximised();
    EXPECT_TRUE(view.maximised());
    view.toggleMaximised();
    EXPECT_FALSE(view.maximised());
    view.toggleMaximised();
    EXPECT_TRUE(view.maximised());
}

TEST(QrView, ARoomLinkKeepsCodeTextChoiceAndStatusApartAndReadable) {
    testsupport::TempDir dir;
    QRCodeView view;
    view.showBlank();
    const QString link = "http://192.168.1.23:41234/0f1e2d3c4b5a69788796a5b4c3d2e1f0/2026120909.pdf";
    ASSERT_TRUE(view.ShowLink(link, dir.file("QR.bmp")));
    view.showLinkText(link);
    int chosen = -1;
    view.showAddresses({"192.168.1.23", "10.8.0.6"}, 0, [&](int i) { chosen = i; });
    view.showRoomStatus("Link open until 10:45\nDownloaded by 3 devices");
    ASSERT_TRUE(view.linkText()->isVisible());
    ASSERT_TRUE(view.addressChoice()->isVisible());
    EXPECT_EQ(view.linkText()->text(), link);
    // Wide enough to read the link whole.
    EXPECT_GE(view.linkText()->width(), view.linkText()->fontMetrics().horizontalAdvance(link));
    // Nothing overlaps and everything stays inside the window.
    const QRect code = view.picture()->geometry();
    const QRect text = view.linkText()->geometry();
    const QRect choice = view.addressChoice()->geometry();
    const QRect status = view.roomStatus()->geometry();
    EXPECT_LE(code.bottom(), text.top());
    EXPECT_LE(text.bottom(), choice.top());
    EXPECT_LE(choice.bottom(), status.top());
    EXPECT_LE(status.bottom(), view.height());
    EXPECT_GT(code.width(), 150);
    // The code on screen still reads as the link.
    view.grab().save(dir.file("view.png"));
    EXPECT_EQ(zbarRead(dir.file("view.png")), link);

    view.addressChoice()->setCurrentIndex(1);
    emit view.addressChoice()->activated(1);
    EXPECT_EQ(chosen, 1);

    // One address: no choice to make. None: the room lines go.
    view.showAddresses({"192.168.1.23"}, 0, {});
    EXPECT_FALSE(view.addressChoice()->isVisible());
    view.showAddresses({}, 0, {});
    view.showRoomStatus({});
    EXPECT_FALSE(view.linkText()->isVisible());
    EXPECT_FALSE(view.roomStatus()->isVisible());
    const QrPlacement full = placeQr(view.width(), view.height());
    EXPECT_EQ(view.picture()->geometry().width(), full.side);
}
