#pragma once
// Where the cameras' live pictures go on the work area and which of them run: the default
// placement, calibrated places, side by side, the current camera. Works through the camera
// controller and its view windows; no widget of its own.
#include "camera/DisplayRect.h"

#include <QSize>

#include <functional>

class CCamera;
namespace camera {
class ViewWindow;
}

namespace shell {

class CameraLayout {
public:
    // workArea: the size the window covers (the work area's right and bottom).
    CameraLayout(CCamera& camera, std::function<QSize()> workArea);

    // Opens the cameras into the two video windows (a first) and places each.
    void open(camera::ViewWindow* a, camera::ViewWindow* b);
    // The default placement of one camera picture.
    camera::DisplayRect viewRect() const { return m_viewRect; }
    camera::DisplayRect fitRect() const;
    camera::DisplayRect sideBySideRect() const;
    // Cameras opened (counted ones may have failed to open).
    int openCount() const;

    void showLive(bool dual);
    void hideLive(bool stopViews);
    void stopLive();
    void resumeCurrent();
    // The camera becomes current; its live view runs only when run (the other's stops).
    void selectCamera(int listIndex, bool run);

    // The view rect anew for the work area, and every camera placed on it.
    void placeAll(bool dual);
    void placeDual();
    void placeSeparate(bool swapFlag);
    // Exchanges the cameras; outside dual-screen mode the other camera becomes current.
    void swap(bool dual);

    void startCalibration(bool dual);
    bool dualCalibrationReady();
    void finishDualCalibration();
    bool finishCalibration();

private:
    QSize firstVideoSize() const;
    void placeAt(int listIndex, const camera::DisplayRect& rect);
    void placeAtPreviewOrView(int listIndex);
    int currentIndex() const;

    CCamera& m_camera;
    std::function<QSize()> m_workArea;
    camera::DisplayRect m_viewRect;
    camera::ViewWindow* m_windowA = nullptr;
    camera::ViewWindow* m_windowB = nullptr;
};

}  // namespace shell
