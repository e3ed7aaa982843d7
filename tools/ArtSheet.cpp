// Renders every icon and button bitmap at 60 and 110 px on a dark and on a light board into one
// PNG, so the set can be judged by eye: ostrely-art-sheet OUT.png
#include "art/Artwork.h"
#include "art/ResourceIds.h"

#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <cstdio>

namespace {

constexpr int kSmall = 60;
constexpr int kLarge = 110;
constexpr int kGap = 14;
constexpr int kLabel = 18;
constexpr int kPerRow = 6;

void drawBoard(QPainter& p, const QRect& area, const QColor& board, const QColor& ink) {
    p.fillRect(area, board);
    p.setPen(ink);
    int i = 0;
    for (int id : res::kAll) {
        const int col = i % kPerRow;
        const int row = i / kPerRow;
        const int cellW = kSmall + kLarge + 3 * kGap;
        const int cellH = kLarge + kLabel + kGap;
        const QPoint origin = area.topLeft() + QPoint(kGap + col * cellW, kGap + row * cellH);
        p.drawImage(origin + QPoint(0, kLarge - kSmall), art::image(id, QSize(kSmall, kSmall)));
        p.drawImage(origin + QPoint(kSmall + kGap, 0), art::image(id, QSize(kLarge, kLarge)));
        p.drawText(QRect(origin + QPoint(0, kLarge + 2), QSize(cellW, kLabel)),
                   Qt::AlignLeft | Qt::AlignVCenter, QString::number(id));
        ++i;
    }
}

}  // namespace

int main(int argc, char** argv) {
    // Works without a display.
    if (qgetenv("QT_QPA_PLATFORM").isEmpty()) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: ostrely-art-sheet OUT.png\n");
        return 2;
    }
    const int rows = (static_cast<int>(res::kAll.size()) + kPerRow - 1) / kPerRow;
    const int boardW = kGap + kPerRow * (kSmall + kLarge + 3 * kGap);
    const int boardH = kGap + rows * (kLarge + kLabel + kGap);
    QImage sheet(boardW, 2 * boardH, QImage::Format_RGB32);
    QPainter p(&sheet);
    p.setFont(QFont(QStringLiteral("DejaVu Sans"), 9));
    drawBoard(p, QRect(0, 0, boardW, boardH), QColor(0x1B, 0x2A, 0x22), Qt::white);  // chalk board
    drawBoard(p, QRect(0, boardH, boardW, boardH), QColor(0xF4, 0xF4, 0xEE),
              Qt::black);  // white board
    p.end();
    if (!sheet.save(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
