#pragma once
// What the shell's rules ask of the program around the main window: the cameras and their live
// pictures, the button boards, and the application's flags and services. Nothing here is a widget.
#include <QString>

#include <functional>

namespace shell {

class ShellWorld {
public:
    virtual ~ShellWorld() = default;

    // Cameras and their live pictures.
    virtual int cameraCount() const = 0;
    // The cameras that did open (one found but refused, say for its access rights, is not).
    virtual int openCameraCount() const = 0;
    // Live video of the current camera, or of both in dual-screen mode.
    virtual void showLive() = 0;
    // Video windows hidden (a stored picture is shown), their live views off where asked.
    virtual void hideLive(bool stopViews) = 0;
    virtual void stopLive() = 0;
    virtual void resumeCurrent() = 0;
    // The camera of a board becomes current (the other's live view off, its own on when run).
    virtual void selectCamera(int listIndex, bool run) = 0;
    // Starts a capture; false when none could start.
    virtual bool takePicture(int tag) = 0;
    // The default placement anew and every camera at its place on the current work area.
    virtual void placeCameras() = 0;
    virtual void placeDual() = 0;
    // Each camera at its own calibrated place, the lists in the order of the swap flag.
    virtual void placeSeparate() = 0;
    // Exchanges the cameras; outside dual-screen mode the swap is kept in the settings.
    virtual void swapCameras() = 0;
    // Calibration: placed for it and the corner labels shown; ended with the calibrated places.
    virtual void startCalibration() = 0;
    virtual bool dualCalibrationReady() = 0;
    virtual void finishDualCalibration() = 0;
    // False, with nothing changed, when the current camera's corners give no placement.
    virtual bool finishCalibration() = 0;
    virtual int askCalibrationChoice() = 0;
    // A camera came or went: closed and opened again, the first live view running when live.
    virtual void reinitCameras(bool live) = 0;

    // Button boards. Their commands, arrivals and removals take seconds of the boards' pauses:
    // they run elsewhere, and done comes back on this thread afterwards.
    virtual void sendCommandD(int board) = 0;
    virtual void sendKeyToFront(int keyType) = 0;
    virtual int boardCount() const = 0;
    // done gets the number of boards before the arrival and after it (the new one is last, and
    // has been sent "D").
    virtual void addBoard(const QString& name, std::function<void(int before, int after)> done) = 0;
    // done gets the number of boards left.
    virtual void removeBoard(const QString& name, std::function<void(int left)> done) = 0;

    // The application's flags and services.
    virtual bool dualScreen() const = 0;
    virtual void setDualScreen(bool on) = 0;
    virtual bool autostart() const = 0;
    virtual void toggleAutostart() = 0;
    virtual bool boardLinked() const = 0;
    virtual void setBoardLinked(bool linked) = 0;
    virtual void readBoardInstallPath() = 0;
    virtual bool whiteboardRunning() const = 0;
    virtual bool sharingEnabled() const = 0;
};

}  // namespace shell
