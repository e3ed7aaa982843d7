#pragma once
// The shell's world as the program has it: the application object, the cameras' layout and the
// button boards of the main window.
#include "shell/CameraLayout.h"
#include "shell/ShellWorld.h"

#include <functional>

class CQuilletApp;
class DeviceManager;

namespace shell {

class ProgramWorld : public ShellWorld {
public:
    // sendKey: the key of a board key type (2 to 5) to the program in front; may be empty.
    ProgramWorld(CQuilletApp& app, std::function<void(int keyType)> sendKey);

    CameraLayout& layout() { return m_layout; }
    // The boards, once the window has made their manager; null where there are none.
    void setDevices(DeviceManager* devices) { m_devices = devices; }

    int cameraCount() const override;
    void showLive() override;
    void hideLive(bool stopViews) override { m_layout.hideLive(stopViews); }
    void stopLive() override { m_layout.stopLive(); }
    void resumeCurrent() override { m_layout.resumeCurrent(); }
    void selectCamera(int listIndex, bool run) override { m_layout.selectCamera(listIndex, run); }
    bool takePicture(int tag) override;
    void placeCameras() override;
    void placeDual() override { m_layout.placeDual(); }
    void placeSeparate() override;
    void swapCameras() override;
    void startCalibration() override;
    bool dualCalibrationReady() override { return m_layout.dualCalibrationReady(); }
    void finishDualCalibration() override { m_layout.finishDualCalibration(); }
    bool finishCalibration() override { return m_layout.finishCalibration(); }
    int askCalibrationChoice() override;
    void reinitCameras(bool live) override;
    int openCameraCount() const override;

    void sendCommandD(int board) override;
    void sendKeyToFront(int keyType) override;
    int boardCount() const override;
    void addBoard(const QString& name, std::function<void(int before, int after)> done) override;
    void removeBoard(const QString& name, std::function<void(int left)> done) override;

    bool dualScreen() const override;
    void setDualScreen(bool on) override;
    bool autostart() const override;
    void toggleAutostart() override;
    bool boardLinked() const override;
    void setBoardLinked(bool linked) override;
    void readBoardInstallPath() override;
    bool whiteboardRunning() const override;
    bool sharingEnabled() const override;

private:
    CQuilletApp& m_app;
    CameraLayout m_layout;
    std::function<void(int)> m_sendKey;
    DeviceManager* m_devices = nullptr;
};

}  // namespace shell
