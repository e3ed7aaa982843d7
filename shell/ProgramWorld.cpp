#include "ProgramWorld.h"

#include "app/QuilletApp.h"
#include "camera/Camera.h"
#include "cloud/CloudConfig.h"
#include "device/DeviceManager.h"

#include <algorithm>

namespace shell {

namespace {

// The window covers the work area from the screen's origin (its left and top taken as 0).
QSize coveredSize(const CQuilletApp& app) {
    const QRect area = app.workArea();
    return {area.x() + area.width(), area.y() + area.height()};
}

}  // namespace

ProgramWorld::ProgramWorld(CQuilletApp& app, std::function<void(int)> sendKey)
    : m_app(app),
      m_layout(app.camera(), [&app] { return coveredSize(app); }),
      m_sendKey(std::move(sendKey)) {}

// A camera counted at start but not opened cannot be shown or switched.
int ProgramWorld::cameraCount() const {
    return std::min(m_app.camera().CameraCount(), m_layout.openCount());
}

void ProgramWorld::showLive() {
    m_layout.showLive(m_app.dualScreen());
}

bool ProgramWorld::takePicture(int tag) {
    return m_app.camera().TakePic(tag) != 0;
}

void ProgramWorld::placeCameras() {
    m_layout.placeAll(m_app.dualScreen());
}

void ProgramWorld::placeSeparate() {
    m_layout.placeSeparate(m_app.swapFlag());
}

void ProgramWorld::swapCameras() {
    const bool dual = m_app.dualScreen();
    m_layout.swap(dual);
    if (dual) return;
    m_app.setSwapFlag(!m_app.swapFlag());
    m_app.SaveSwapSetting();
}

void ProgramWorld::startCalibration() {
    m_layout.startCalibration(m_app.dualScreen());
}

int ProgramWorld::askCalibrationChoice() {
    return m_app.AskCalibrationChoice();
}

void ProgramWorld::reinitCameras(bool live) {
    m_app.camera().Reinit(live);
}

int ProgramWorld::openCameraCount() const {
    return static_cast<int>(m_app.camera().cameras().size());
}

void ProgramWorld::sendCommandD(int board) {
    if (m_devices) m_devices->QueueCommandD(board);
}

void ProgramWorld::sendKeyToFront(int keyType) {
    if (m_sendKey) m_sendKey(keyType);
}

int ProgramWorld::boardCount() const {
    return m_devices ? m_devices->GetDeviceCount() : 0;
}

void ProgramWorld::addBoard(const QString& name, std::function<void(int, int)> done) {
    if (m_devices)
        m_devices->QueueArrival(name, std::move(done));
    else if (done)
        done(0, 0);
}

void ProgramWorld::removeBoard(const QString& name, std::function<void(int)> done) {
    if (m_devices)
        m_devices->QueueRemoval(name, [done = std::move(done)](int, int left) {
            if (done) done(left);
        });
    else if (done)
        done(0);
}

bool ProgramWorld::dualScreen() const {
    return m_app.dualScreen();
}

void ProgramWorld::setDualScreen(bool on) {
    m_app.setDualScreen(on);
}

bool ProgramWorld::autostart() const {
    return m_app.autostartFlag();
}

void ProgramWorld::toggleAutostart() {
    if (m_app.autostartFlag())
        m_app.DisableAutostart();
    else
        m_app.EnableAutostart();
}

bool ProgramWorld::boardLinked() const {
    return m_app.boardLinkFlag() != 0;
}

void ProgramWorld::setBoardLinked(bool linked) {
    m_app.setBoardLinkFlag(linked ? 1 : 0);
}

void ProgramWorld::readBoardInstallPath() {
    m_app.ReadBoardInstallPath();
}

bool ProgramWorld::whiteboardRunning() const {
    return CQuilletApp::WhiteboardRunning();
}

bool ProgramWorld::sharingEnabled() const {
    return cloud::sharingEnabled();
}

}  // namespace shell
