#include "shell/StrokeCanvas.h"

#include <QPainter>

void StrokeCanvas::resize(const QSize& logicalSize, qreal devicePixelRatio) {
    const QSize pixels = (QSizeF(logicalSize) * devicePixelRatio).toSize();
    m_image = QImage(pixels, QImage::Format_ARGB32_Premultiplied);
    m_image.setDevicePixelRatio(devicePixelRatio);
    m_image.fill(Qt::transparent);
    m_blank = true;
}

void StrokeCanvas::beginStroke(const QPointF& point) {
    m_strokes.push_back({point});
}

void StrokeCanvas::preparePainter(QPainter& painter, int width) const {
    // No smoothing: the cheapest drawing, and erasing leaves no half-cleared fringe.
    painter.setRenderHint(QPainter::Antialiasing, false);
    const bool erasing = m_penColour == kKeyColour;
    painter.setCompositionMode(erasing ? QPainter::CompositionMode_Clear
                                       : QPainter::CompositionMode_SourceOver);
    QPen pen{QColor::fromRgba(m_penColour)};
    pen.setWidth(width);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
}

QRect StrokeCanvas::around(const QPointF& a, const QPointF& b, int width) {
    const int margin = width / 2 + 2;
    return QRectF(a, b).normalized().toAlignedRect().adjusted(-margin, -margin, margin, margin);
}

QRect StrokeCanvas::extendStroke(const QPointF& point) {
    if (m_strokes.empty()) beginStroke(point);
    auto& stroke = m_strokes.back();
    const QPointF previous = stroke.back();
    stroke.push_back(point);
    if (m_image.isNull()) return {};
    const int width = m_eraser ? 2 * m_penWidth : m_penWidth;
    QPainter painter(&m_image);
    preparePainter(painter, width);
    // Each move draws the piece it adds; the pixels equal those of drawing the whole line again.
    painter.drawLine(previous, point);
    m_blank = false;
    return around(previous, point, width);
}

QRect StrokeCanvas::endStroke() {
    if (m_strokes.empty() || m_strokes.back().size() != 1 || m_image.isNull()) return {};
    const QPointF centre = m_strokes.back().front();
    QPainter painter(&m_image);
    preparePainter(painter, m_penWidth);
    const qreal radius = m_penWidth / 2.0;
    painter.drawEllipse(centre, radius, radius);
    m_blank = false;
    return around(centre, centre, 2 * m_penWidth);
}

void StrokeCanvas::clear() {
    m_strokes.clear();
    m_blank = true;
    if (!m_image.isNull()) m_image.fill(Qt::transparent);
}
