#pragma once
// Shows one stored picture on the picture surface: placed to fit the work area at load, then
// dragged and zoomed (0.4 to 2.0) about the pointer. Coordinates are the screen's logical pixels
// with the work area's left and top at 0. The owner gives the work area and the target window's
// rectangle, so nothing here asks a screen.
#include "shell/PictureFile.h"
#include "shell/PictureTarget.h"

#include <QPoint>
#include <QPointF>
#include <QRect>
#include <QSize>
#include <QString>

namespace app {

class PictureViewer {
public:
    static constexpr double kMinZoom = 0.4;
    static constexpr double kMaxZoom = 2.0;
    static constexpr int kMaxWheelDelta = 120;
    static constexpr double kWheelDeltaPerZoom = 600.0;

    explicit PictureViewer(PictureTarget& target);

    // The work area's right and bottom (W, H).
    void setWorkArea(const QSize& area);
    // The target window in screen coordinates; presses and wheel steps outside it are ignored.
    void setTargetRect(const QRect& rect);
    // Origin and size at zoom 1.0, before any picture is loaded.
    void setFrame(int x, int y, int width, int height);

    void load(const QString& path);
    void dragStart(QPoint point);
    void dragMove(QPoint point);
    void dragEnd();
    void zoomByWheelStep(int delta, QPoint point);
    void zoomByFactor(double step, QPoint point);
    // Draws the current placement again (after the surface was shown or resized).
    void redraw();

    // Keep the decoded picture while its file is unchanged instead of decoding every redraw.
    // Off by default: decoding a 1600 × 1200 picture per redraw keeps a drag well above 60
    // redraws a second on one core (bench/shell).
    void setKeepDecoded(bool keep) { m_file.setKeepDecoded(keep); }

    QString path() const { return m_path; }
    QPointF origin() const { return m_origin; }
    QSize baseSize() const { return m_base; }
    double zoom() const { return m_zoom; }
    bool isDragging() const { return m_dragging; }
    // Where the picture is drawn now, in whole pixels.
    QRect drawnRect() const { return drawRectAt(m_origin); }

private:
    // One axis of the placement rule: the picture centred when it fits, otherwise no gap left
    // at either screen edge.
    static double placeAxis(double low, double high, double drawn, double wanted);
    QPointF place(QPointF wanted) const;
    QSizeF drawnSize() const;
    QRect drawRectAt(QPointF position) const;
    bool insidePicture(QPoint point) const;
    void draw(QPointF position);
    void zoomAbout(double step, QPoint point);

    PictureTarget& m_target;
    PictureFile m_file;
    QSize m_workArea;
    QRect m_targetRect;
    QString m_path;
    QPoint m_dragStart;
    QPointF m_lastDrawn;
    QPointF m_origin;
    QSize m_base;
    double m_zoom = 1.0;
    bool m_dragging = false;
};

}  // namespace app
