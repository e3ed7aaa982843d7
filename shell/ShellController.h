#pragma once
// The main window's rules without its widgets: what each board key does in each face of the
// window, the tray's commands and clicks, what a finished capture does, cameras and boards that
// come and go, calibration, and the show and hide of the view. It keeps the window's state and
// asks the window and the world for every effect.
#include "shell/ShellState.h"
#include "shell/ShellView.h"
#include "shell/TrayMenuModel.h"

#include <QString>

namespace platform {
class Clock;
class Message;
}  // namespace platform

namespace shell {

class ShellWorld;

class ShellController {
public:
    // How long a hidden start waits for a tray (a panel started after the program at log-on)
    // before it shows the view instead.
    static constexpr int kTrayGraceMs = 10000;
    // A camera's USB arrival comes before the driver has made its video node, and the node's
    // access rights may come later still: the cameras are opened again every kAdmissionRetryMs
    // until the new one opens, for at most kAdmissionWindowMs after the arrival.
    static constexpr int kAdmissionRetryMs = 500;
    static constexpr int kAdmissionWindowMs = 5000;

    ShellController(ShellView& view, ShellWorld& world, platform::Clock& clock);

    const ShellState& state() const { return m_state; }

    // Start-up: hidden in the tray with "-Start" (without a tray yet, for the grace period),
    // otherwise the question whether to link the running whiteboard program.
    void start(bool startHidden, bool trayAvailable);

    void showView(bool show);
    // The view visible again with its overlay and panel, without touching the cameras.
    void makeViewVisible();
    void changeToCapture();
    void showPicture(int pictureId);

    // The tray menu's entries as the state has them.
    tray::MenuState menuState() const;

    // The window's messages (tray, keys, pictures, devices, a second start); false for others.
    bool onMessage(const platform::Message& m);
    void onTrayCallback(unsigned iconId, unsigned mouse);
    void onShowInstance();
    // A key of the keyboard while the window has it; false when the key means nothing here.
    bool onKeyboard(int qtKey);
    // A tray came or went.
    void onTrayPresence(bool present);
    // The restore button of a desktop without a tray was clicked.
    void onRestore();
    void onWaitOver(Wait wait);
    void onKey(int board, int keyType);
    void onShowPicture(int pictureId);
    void onPictureReady(int pictureId, int tag);
    void onDeviceChange(unsigned event, const QString& name);
    void onDisplayChange();
    void runCommand(int id);

    // Sets capture busy and starts a capture with the tag; false when none could start.
    bool takePicture(int tag);
    void share();
    void showBoxOnce(int textId);
    // The picture list's hand-off asks the same question and keeps the answer here.
    void setLinkDeclined(bool declined) { m_state.linkDeclined = declined; }
    // After this, keys are ignored: the window is going away.
    void markShutDown() { m_state.shutDown = true; }

private:
    // Someone looks at the live picture: the view is shown and no stored picture covers it.
    bool looking() const { return m_state.viewShown && !m_state.pictureShown; }
    void becomeVisible();
    void leaveWayBack();
    void dropWayBack();
    void showFromHidden();
    bool isRepeat(int keyType, int64_t now) const;
    void followBoard(int board);
    void act(int board, int keyType);
    void stepPicture(int direction);
    void presentPicture(int pictureId, bool fromList);
    void hideUiParts();
    bool handOffWanted();
    bool askLink();
    void handOver(int pictureId);

    void onCameraRemoved();
    void onCameraArrived();
    void retryAdmission();
    void onBoardRemoved(const QString& name);
    void onBoardArrived(const QString& name);

    void commandAdjust();
    void commandExit();
    void commandLink();
    void commandCalibration();
    void enterCalibration();
    void leaveCalibration();
    void leaveDualCalibration();
    void endCalibrationMode();
    void commandDualScreen();
    void commandSwap();

    ShellView& m_view;
    ShellWorld& m_world;
    platform::Clock& m_clock;
    ShellState m_state;
    // A camera arrival still waiting to open: the cameras open before it, and until when to try.
    int m_admitBefore = 0;
    int64_t m_admitUntilMs = -1;
    bool m_admitWaiting = false;
};

}  // namespace shell
