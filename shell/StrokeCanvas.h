#pragma once
// The overlay's strokes: a list of point lists and the image they are drawn into. The image has
// an alpha channel; pixels nobody drew on are transparent, and the key colour stands for
// transparent too, so drawing with it erases.
#include <QtGui/qrgb.h>
#include <QImage>
#include <QPointF>
#include <QRect>
#include <QSize>

#include <vector>

class StrokeCanvas {
public:
    static constexpr QRgb kKeyColour = 0xFF8E8E8E;
    static constexpr QRgb kDefaultColour = 0xFF000000;

    // A fresh, empty image of the given logical size at the screen's device pixel ratio.
    void resize(const QSize& logicalSize, qreal devicePixelRatio);

    int penWidth() const { return m_penWidth; }
    void setPenWidth(int width) { m_penWidth = width; }
    QRgb penColour() const { return m_penColour; }
    void setPenColour(QRgb colour) { m_penColour = colour; }
    bool eraser() const { return m_eraser; }
    void setEraser(bool on) { m_eraser = on; }

    // A new stroke holding the point; nothing is drawn yet.
    void beginStroke(const QPointF& point);
    // Appends the point to the last stroke and draws the new piece. Returns the rectangle that
    // changed, in logical pixels.
    QRect extendStroke(const QPointF& point);
    // A stroke of a single point leaves a dot of the pen width. Returns what changed.
    QRect endStroke();
    // Empties the list and makes every pixel transparent again.
    void clear();

    const QImage& image() const { return m_image; }
    // Nothing drawn since the last clearing: there is nothing to paint over the picture below.
    bool isBlank() const { return m_blank; }
    const std::vector<std::vector<QPointF>>& strokes() const { return m_strokes; }

private:
    void preparePainter(class QPainter& painter, int width) const;
    static QRect around(const QPointF& a, const QPointF& b, int width);

    QImage m_image;
    std::vector<std::vector<QPointF>> m_strokes;
    int m_penWidth = 5;
    QRgb m_penColour = kDefaultColour;
    bool m_eraser = false;
    bool m_blank = true;
};
