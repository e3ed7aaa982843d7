#include "PictureSurface.h"

#include <QEvent>
#include <QPainter>

namespace app {

PictureSurface::PictureSurface(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("1012"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    fitFrame();
}

bool PictureSurface::fitFrame() {
    if (m_frame.logicalSize() == size() &&
        m_frame.pixels().devicePixelRatio() == devicePixelRatioF())
        return false;
    m_frame.resize(size(), devicePixelRatioF());
    // A new size or screen ratio draws the last picture again at the new resolution.
    m_frame.present(m_lastPicture, m_lastRect);
    return true;
}

void PictureSurface::present(const QImage& picture, const QRect& rect) {
    m_lastPicture = picture;
    m_lastRect = rect;
    if (!fitFrame()) m_frame.present(picture, rect);
    update();
}

void PictureSurface::resizeEvent(QResizeEvent*) {
    fitFrame();
}

void PictureSurface::paintEvent(QPaintEvent*) {
    fitFrame();
    QPainter p(this);
    const QImage& pixels = m_frame.pixels();
    if (pixels.isNull()) {
        p.fillRect(rect(), Qt::black);
        return;
    }
    p.drawImage(QPointF(0, 0), pixels);
}

}  // namespace app
