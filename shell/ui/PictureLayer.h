#pragma once
// The stored-picture layer of the main window: the picture surface (control 1012), the viewer
// that draws on it, and the pointer and fingers that drag and zoom it.
#include "camera/DisplayRect.h"
#include "shell/PinchZoom.h"

#include <QRect>

#include <functional>
#include <memory>

class QEvent;
class QWidget;
namespace app {
class PictureSurface;
class PictureViewer;
}  // namespace app

namespace shell {

class PictureLayer {
public:
    explicit PictureLayer(QWidget& window);
    ~PictureLayer();

    // The viewer comes once the window has its size.
    void start(const QRect& window, const camera::DisplayRect& view);
    // The window moved or changed size: the surface covers it, the viewer frames the view.
    void fit(const QRect& window, const camera::DisplayRect& view);
    void show(bool show);
    // Loads a picture file; with a frame, the viewer's frame is set to it first.
    void load(const QString& path, const camera::DisplayRect* frame);
    // Zooms around the view's centre and shows the layer.
    void zoom(double step, const camera::DisplayRect& view);
    // A mouse, wheel or touch event of the window; true when used up. left(): the pointer left.
    bool input(const QEvent* e, const QRect& window, const std::function<void()>& left);

    QWidget* surface() const;
    app::PictureViewer* viewer() const { return m_viewer.get(); }

private:
    void frame(const camera::DisplayRect& view);

    app::PictureSurface* m_surface;
    std::unique_ptr<app::PictureViewer> m_viewer;
    PinchZoom m_pinch;
};

}  // namespace shell
