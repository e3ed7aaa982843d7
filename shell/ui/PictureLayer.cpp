#include "PictureLayer.h"

#include "shell/PictureViewer.h"
#include "shell/ui/PictureSurface.h"
#include "shell/ui/ViewerInput.h"

#include <QString>

namespace shell {

namespace {
constexpr int kPictureSurface = 1012;
}

PictureLayer::PictureLayer(QWidget& window) : m_surface(new app::PictureSurface(&window)) {
    m_surface->setObjectName(QString::number(kPictureSurface));
    // Fingers on a shown picture pinch to zoom; elsewhere they stay a mouse.
    m_surface->setAttribute(Qt::WA_AcceptTouchEvents);
    m_surface->hide();
}

PictureLayer::~PictureLayer() = default;

QWidget* PictureLayer::surface() const {
    return m_surface;
}

void PictureLayer::start(const QRect& window, const camera::DisplayRect& view) {
    m_viewer = std::make_unique<app::PictureViewer>(*m_surface);
    fit(window, view);
}

void PictureLayer::fit(const QRect& window, const camera::DisplayRect& view) {
    m_surface->setGeometry(0, 0, window.width(), window.height());
    if (!m_viewer) return;
    m_viewer->setWorkArea(window.size());
    // The pointer's positions are the screen's; the window starts at the work area's origin.
    m_viewer->setTargetRect(QRect(window.topLeft(), m_surface->size()));
    frame(view);
}

void PictureLayer::frame(const camera::DisplayRect& view) {
    m_viewer->setFrame(view.x, view.y, view.width, view.height);
}

void PictureLayer::show(bool show) {
    m_surface->setVisible(show);
}

void PictureLayer::load(const QString& path, const camera::DisplayRect* frameTo) {
    if (!m_viewer) return;
    if (frameTo != nullptr) frame(*frameTo);
    m_viewer->load(path);
}

void PictureLayer::zoom(double step, const camera::DisplayRect& view) {
    if (m_viewer)
        m_viewer->zoomByFactor(step, QPoint(view.x + view.width / 2, view.y + view.height / 2));
    m_surface->show();
}

bool PictureLayer::input(const QEvent* e, const QRect& window, const std::function<void()>& left) {
    return m_viewer && viewerInput(*m_viewer, m_pinch, e, window, left);
}

}  // namespace shell
