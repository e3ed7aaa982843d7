#include "CameraLayout.h"

#include "camera/Camera.h"
#include "shell/ViewGeometry.h"

#include <algorithm>

using camera::DisplayRect;

namespace shell {

CameraLayout::CameraLayout(CCamera& camera, std::function<QSize()> workArea)
    : m_camera(camera), m_workArea(std::move(workArea)) {}

void CameraLayout::open(camera::ViewWindow* a, camera::ViewWindow* b) {
    m_windowA = a;
    m_windowB = b;
    const QSize area = m_workArea();
    // The default placement needs the first camera's picture size, known once it is open.
    m_camera.OpenCameras(a, b, {0, 0, area.width(), area.height()}, true);
    m_viewRect = fitRect();
    m_camera.setViewRect(m_viewRect);
    for (int i = 0; i < openCount(); ++i) placeAtPreviewOrView(i);
}

int CameraLayout::openCount() const {
    return static_cast<int>(m_camera.cameras().size());
}

QSize CameraLayout::firstVideoSize() const {
    if (m_camera.cameras().empty() || m_camera.sdk() == nullptr) return {};
    const auto first = m_camera.cameras()[0];
    return {m_camera.sdk()->pictureWidth(first), m_camera.sdk()->pictureHeight(first)};
}

DisplayRect CameraLayout::fitRect() const {
    return view::ComputeFitRect(m_workArea(), firstVideoSize());
}

DisplayRect CameraLayout::sideBySideRect() const {
    return view::ComputeSideBySideRect(m_workArea(), firstVideoSize());
}

int CameraLayout::currentIndex() const {
    const auto& handles = m_camera.cameras();
    const auto at = std::find(handles.begin(), handles.end(), m_camera.currentCamera());
    return at == handles.end() ? -1 : static_cast<int>(at - handles.begin());
}

// ---------------------------------------------------------------------------------------------
// Which pictures run

void CameraLayout::showLive(bool dual) {
    const auto& handles = m_camera.cameras();
    auto* sdk = m_camera.sdk();
    if (handles.size() < 2) {
        resumeCurrent();
        if (m_windowA) m_windowA->showWindow(true);
    } else if (dual) {
        for (const auto h : handles) sdk->runView(h, true);
        m_windowA->showWindow(true);
        m_windowB->showWindow(true);
    } else {
        for (size_t i = 0; i < handles.size(); ++i) {
            const bool current = handles[i] == m_camera.currentCamera();
            sdk->runView(handles[i], current);
            m_camera.windows()[i]->showWindow(current);
        }
    }
}

void CameraLayout::hideLive(bool stopViews) {
    if (m_windowA) m_windowA->showWindow(false);
    if (m_windowB) m_windowB->showWindow(false);
    if (stopViews) stopLive();
}

void CameraLayout::stopLive() {
    for (const auto h : m_camera.cameras()) m_camera.sdk()->runView(h, false);
}

void CameraLayout::resumeCurrent() {
    if (m_camera.currentCamera() != 0) m_camera.sdk()->runView(m_camera.currentCamera(), true);
}

void CameraLayout::selectCamera(int listIndex, bool run) {
    const auto& handles = m_camera.cameras();
    if (listIndex < 0 || listIndex >= openCount()) return;
    if (m_camera.currentCamera() == handles[listIndex]) return;
    m_camera.sdk()->runView(m_camera.currentCamera(), false);
    m_camera.setCurrentCamera(handles[listIndex]);
    if (run) m_camera.sdk()->runView(handles[listIndex], true);
}

// ---------------------------------------------------------------------------------------------
// Places

void CameraLayout::placeAt(int listIndex, const DisplayRect& rect) {
    if (listIndex < 0 || listIndex >= openCount()) return;
    m_camera.windows()[listIndex]->placeWindow(rect);
    m_camera.sdk()->placeView(m_camera.cameras()[listIndex], 0, 0, rect.width, rect.height);
}

void CameraLayout::placeAtPreviewOrView(int listIndex) {
    if (listIndex < 0 || listIndex >= openCount()) return;
    DisplayRect rect;
    if (!m_camera.PreviewRect(m_camera.cameras()[listIndex], &rect)) rect = m_viewRect;
    placeAt(listIndex, rect);
}

void CameraLayout::placeAll(bool dual) {
    m_viewRect = fitRect();
    m_camera.setViewRect(m_viewRect);
    placeAtPreviewOrView(0);
    if (openCount() < 2) return;
    if (dual)
        placeDual();
    else
        placeAtPreviewOrView(1);
}

void CameraLayout::placeDual() {
    DisplayRect left, right;
    if (!m_camera.DualPreviewRects(&left, &right)) {
        const DisplayRect both = sideBySideRect();
        left = view::leftHalf(both);
        right = view::rightHalf(both);
    }
    placeAt(0, left);
    placeAt(1, right);
}

void CameraLayout::placeSeparate(bool swapFlag) {
    placeAtPreviewOrView(0);
    placeAtPreviewOrView(1);
    // The order of the lists follows the swap flag again.
    const bool exchanged = openCount() >= 2 && m_camera.windows()[0] == m_windowB;
    if (swapFlag != exchanged) m_camera.SwapCameras();
}

void CameraLayout::swap(bool dual) {
    if (openCount() < 2) return;
    m_camera.SwapCameras();
    if (dual) {
        placeDual();
        return;
    }
    const auto& handles = m_camera.cameras();
    m_camera.setCurrentCamera(handles[0] == m_camera.currentCamera() ? handles[1] : handles[0]);
}

// ---------------------------------------------------------------------------------------------
// Calibration

void CameraLayout::startCalibration(bool dual) {
    if (openCount() >= 2 && dual) {
        const DisplayRect both = sideBySideRect();
        placeAt(0, view::leftHalf(both));
        placeAt(1, view::rightHalf(both));
    } else {
        placeAt(currentIndex(), m_viewRect);
    }
    m_camera.StartCalibration();
}

bool CameraLayout::dualCalibrationReady() {
    DisplayRect left, right;
    return m_camera.DualPreviewRects(&left, &right);
}

void CameraLayout::finishDualCalibration() {
    DisplayRect left, right;
    m_camera.DualPreviewRects(&left, &right);
    m_camera.SaveCalibration();
    m_camera.EndCalibration();
    placeAt(0, left);
    placeAt(1, right);
}

bool CameraLayout::finishCalibration() {
    DisplayRect rect;
    if (!m_camera.PreviewRect(m_camera.currentCamera(), &rect)) return false;
    m_camera.SaveCalibration();
    m_camera.EndCalibration();
    placeAt(currentIndex(), rect);
    return true;
}

}  // namespace shell
