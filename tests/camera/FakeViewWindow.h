#pragma once
// A video window that only remembers where it was put and whether it is shown.
#include "camera/ViewWindow.h"

#include <mutex>

namespace cameratest {

class FakeViewWindow : public camera::ViewWindow {
public:
    ~FakeViewWindow() override { detachFromCameras(); }
    void present(const QImage& frame, const camera::sdk::CornerOverlay&) override {
        std::lock_guard lock(m);
        ++frames;
        last = frame;
    }
    void setCornerMover(std::function<void(int, QPointF)>) override {}
    void placeWindow(const camera::DisplayRect& r) override { rect = r; }
    void showWindow(bool show) override { shown = show; }

    std::mutex m;
    int frames = 0;
    QImage last;
    camera::DisplayRect rect;
    bool shown = false;
};

}  // namespace cameratest
