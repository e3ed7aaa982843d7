#include "SimScene.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QTransform>

#include <algorithm>
#include <cmath>

namespace camera::sdk {

namespace {

const QStringList kWriting[2] = {
    {"Quadratic equations", "x\u00b2 \u2212 5x + 6 = 0", "(x \u2212 2)(x \u2212 3) = 0",
     "x = 2  or  x = 3", "Check: 4 \u2212 10 + 6 = 0"},
    {"Photosynthesis", "6 CO\u2082 + 6 H\u2082O", "\u2192 C\u2086H\u2081\u2082O\u2086 + 6 O\u2082",
     "needs light and chlorophyll", "Homework: page 42"},
};

}  // namespace

QImage SimScene::renderBoard(int variant) {
    QImage board(kBoardSize, QImage::Format_RGB32);
    board.fill(QColor(246, 246, 240));
    QPainter p(&board);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(90, 90, 90), 18));
    p.drawRect(board.rect().adjusted(9, 9, -9, -9));
    const QStringList& lines = kWriting[variant % 2];
    QFont font;
    font.setPixelSize(64);
    font.setBold(true);
    p.setFont(font);
    p.setPen(QColor(20, 60, 170));
    p.drawText(QRect(60, 50, 1080, 100), Qt::AlignLeft | Qt::AlignVCenter, lines[0]);
    font.setBold(false);
    font.setPixelSize(54);
    p.setFont(font);
    p.setPen(QColor(30, 30, 30));
    for (int i = 1; i < lines.size(); ++i)
        p.drawText(QRect(80, 110 + i * 110, 1040, 100), Qt::AlignLeft | Qt::AlignVCenter, lines[i]);
    // A sketch in the corner, so that the perspective is easy to see.
    p.setPen(QPen(QColor(190, 30, 30), 8));
    p.drawEllipse(QPoint(960, 700), 110, 110);
    p.drawLine(850, 700, 1070, 700);
    p.drawLine(960, 590, 960, 810);
    return board;
}

Corners SimScene::boardCorners(int variant, QSize frame) {
    // The near top edge spans most of the frame, the far bottom edge 0.76 of it; the board's
    // image is 0.3 times as high as the top edge is wide, so the height divided by 0.4 is 0.75 of
    // the width. A frame too wide for that takes a narrower board.
    const double aspect = frame.isEmpty() ? 4.0 / 3.0 : double(frame.width()) / frame.height();
    const bool first = variant % 2 == 0;
    const double top = std::min(first ? 0.92 : 0.90, 0.9 / (0.3 * aspect));
    const double bottom = 0.76 * top;
    const double high = 0.3 * top * aspect;
    const double y = 0.49 - high / 2 + (first ? 0.0 : -0.02);
    const double shift = first ? 0.0 : -0.01;  // the second camera hangs a little to one side
    return Corners{{QPointF(0.5 - top / 2, y), QPointF(0.5 + top / 2, y),
                    QPointF(0.5 + shift + bottom / 2, y + high),
                    QPointF(0.5 + shift - bottom / 2, y + high)}};
}

SimScene::SimScene(QSize frameSize, int variant) : m_frameSize(frameSize), m_variant(variant) {
    const QSize sceneSize = frameSize + QSize(2 * kSway, 2 * kSway);
    m_scene = QImage(sceneSize, QImage::Format_RGB32);
    const int w = sceneSize.width(), h = sceneSize.height();
    // Looking down along the wall: the wall above the board, the floor far below it.
    QPainter p(&m_scene);
    QLinearGradient wall(0, 0, 0, h);
    wall.setColorAt(0, QColor(150, 140, 122));
    wall.setColorAt(0.7, QColor(96, 88, 78));
    wall.setColorAt(1, QColor(62, 58, 54));
    p.fillRect(m_scene.rect(), wall);
    QPolygonF quad;
    for (const QPointF& c : boardCorners(variant, frameSize).p)
        quad << QPointF(kSway + c.x() * frameSize.width(), kSway + c.y() * frameSize.height());
    // The chalk tray under the board.
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(70, 70, 74));
    const double tray = 0.012 * h;
    p.drawPolygon(QPolygonF{quad[3] + QPointF(-0.01 * w, 0), quad[2] + QPointF(0.01 * w, 0),
                            quad[2] + QPointF(0.008 * w, tray),
                            quad[3] + QPointF(-0.008 * w, tray)});
    const QImage board = renderBoard(variant);
    const QPolygonF boardRect{QPointF(0, 0), QPointF(board.width(), 0),
                              QPointF(board.width(), board.height()), QPointF(0, board.height())};
    QTransform t;
    if (QTransform::quadToQuad(boardRect, quad, t)) {
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.setTransform(t);
        p.drawImage(0, 0, board);
    }
}

QImage SimScene::frameAt(int64_t ms, int brightness) const {
    const double t = static_cast<double>(ms) / 1000.0;
    const int dx = kSway + static_cast<int>(std::lround(kSway * 0.8 * std::sin(t * 0.9)));
    const int dy = kSway + static_cast<int>(std::lround(kSway * 0.6 * std::cos(t * 0.7)));
    QImage frame = m_scene.copy(QRect(QPoint(dx, dy), m_frameSize));
    QPainter p(&frame);
    p.setRenderHint(QPainter::Antialiasing);
    // A teacher's pointer circling over the board.
    const double a = t * 1.3 + m_variant;
    const QPointF tip(m_frameSize.width() * (0.5 + 0.25 * std::cos(a)),
                      m_frameSize.height() * (0.5 + 0.2 * std::sin(a)));
    p.setPen(QPen(QColor(200, 40, 40), 10, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(tip, tip + QPointF(140, 160));
    if (brightness != 0) {
        const int level = std::min(255, std::abs(brightness) * 2);
        p.setCompositionMode(brightness > 0 ? QPainter::CompositionMode_Plus
                                            : QPainter::CompositionMode_Multiply);
        p.fillRect(frame.rect(), brightness > 0 ? QColor(level, level, level)
                                                : QColor(255 - level, 255 - level, 255 - level));
    }
    return frame;
}

}  // namespace camera::sdk
