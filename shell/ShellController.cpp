#include "ShellController.h"

#include "lang/TextIds.h"
#include "platform/Clock.h"
#include "platform/Log.h"
#include "platform/Message.h"
#include "platform/MessageBoxTypes.h"
#include "platform/MessageIds.h"
#include "shell/DeviceNames.h"
#include "shell/KeyTable.h"
#include "shell/ShellView.h"
#include "shell/ShellWorld.h"
#include "shell/TrayMenuModel.h"

#include <Qt>

#include <algorithm>

using namespace platform;

namespace shell {

namespace {

// The tray icon's record id, and the two icon ids it is also known by.
bool isTrayIcon(unsigned iconId) {
    return iconId == 128 || iconId == 145 || iconId == 146;
}

// The board index the keyboard's keys come with: no board, so no camera of its own.
constexpr int kKeyboard = -1;

// Tray icon states: the first board arrived, the last one left.
constexpr int kTrayConnected = 1;
constexpr int kTrayDisconnected = 2;

}  // namespace

ShellController::ShellController(ShellView& view, ShellWorld& world, platform::Clock& clock)
    : m_view(view), m_world(world), m_clock(clock) {}

void ShellController::start(bool startHidden, bool trayAvailable) {
    m_state.viewShown = true;
    m_state.captureBusy = false;
    m_state.trayPresent = trayAvailable;
    if (startHidden) {
        m_state.viewShown = false;
        // At log-on the panel with its tray often starts after us: wait a little for it before
        // the view covers the desktop instead.
        if (!trayAvailable) {
            m_state.awaitingTray = true;
            m_view.startWait(Wait::TrayGrace);
        }
        return;
    }
    if (!m_world.whiteboardRunning()) return;
    m_state.captureBusy = true;
    if (askLink()) {
        m_state.viewShown = false;
        leaveWayBack();
    } else {
        m_state.linkDeclined = true;
    }
    m_state.captureBusy = false;
}

// ---------------------------------------------------------------------------------------------
// Show and hide

void ShellController::becomeVisible() {
    m_state.viewShown = true;
    dropWayBack();
    m_view.showWindow();
}

// Without a tray a hidden view could never come back: a button on screen stands in for it.
void ShellController::leaveWayBack() {
    if (m_state.trayPresent || m_state.restoreShown || m_state.shutDown) return;
    m_state.restoreShown = true;
    m_view.showRestoreButton(true);
}

void ShellController::dropWayBack() {
    if (!m_state.restoreShown) return;
    m_state.restoreShown = false;
    m_view.showRestoreButton(false);
}

void ShellController::showFromHidden() {
    m_state.awaitingTray = false;
    makeViewVisible();
    showView(true);
}

void ShellController::makeViewVisible() {
    becomeVisible();
    m_view.showOverlay(true);
    m_view.showPanel(true);
}

void ShellController::showView(bool show) {
    if (show) {
        becomeVisible();
        if (m_world.cameraCount() >= 2 && m_world.dualScreen()) {
            // The dual-screen command sets the flag again and lays out both cameras.
            m_world.setDualScreen(false);
            commandDualScreen();
        } else if (m_world.cameraCount() >= 1) {
            m_world.resumeCurrent();
        }
        m_view.showOverlay(true);
        m_view.showPanel(true);
        return;
    }
    if (m_world.cameraCount() >= 1) {
        if (!m_state.viewShown) showView(true);
        changeToCapture();
    }
    m_view.hideWindow();
    m_world.stopLive();
    hideUiParts();
    m_state.viewShown = false;
    leaveWayBack();
}

void ShellController::hideUiParts() {
    m_view.showOverlay(false);
    m_view.hidePictureList();
    m_view.hideQrView();
    m_view.showPictureLayer(false);
    m_state.pictureShown = false;
    if (m_view.drawingMode()) m_view.clearStrokes();
    m_view.showPanel(false);
}

// The cameras stream only while someone looks: behind a hidden window (a prompt that timed out,
// a camera that came) the live picture stays off until the view is shown.
void ShellController::changeToCapture() {
    m_view.showPictureLayer(false);
    m_state.pictureShown = false;
    if (m_state.viewShown)
        m_world.showLive();
    else
        m_world.stopLive();
    m_view.raiseOverlay();
}

void ShellController::showPicture(int pictureId) {
    presentPicture(pictureId, false);
}

// From the list, the viewer's frame is set anew and the panel stays as it is. Either way the
// cameras stop while the stored picture covers them.
void ShellController::presentPicture(int pictureId, bool fromList) {
    m_world.hideLive(true);
    m_view.setCurrentPicture(pictureId);
    m_view.showPictureLayer(true);
    m_view.loadPicture(pictureId, fromList);
    m_state.pictureShown = true;
    if (!fromList) m_view.showPanel(true);
    m_view.raiseOverlay();
}

// ---------------------------------------------------------------------------------------------
// Messages

bool ShellController::onMessage(const platform::Message& m) {
    switch (m.msg) {
        case msg::kTrayCallback: {
            const auto t = msg::trayCallbackOf(m);
            onTrayCallback(t.iconId, t.mouse);
            return true;
        }
        case msg::kKey: onKey(msg::keyOf(m).board, msg::keyOf(m).keyType); return true;
        case msg::kShowPicture: onShowPicture(msg::pictureNumberOf(m)); return true;
        case msg::kPictureReady: {
            const auto r = msg::pictureReadyOf(m);
            onPictureReady(r.number, r.tag);
            return true;
        }
        case msg::kDeviceChange: {
            const auto d = msg::deviceChangeOf(m);
            onDeviceChange(d.event, d.name);
            return true;
        }
        case msg::kShowInstance: onShowInstance(); return true;
        default: return false;
    }
}

// ---------------------------------------------------------------------------------------------
// Tray and second start

tray::MenuState ShellController::menuState() const {
    tray::MenuState s;
    s.cameraCount = m_world.cameraCount();
    s.dualScreen = m_world.dualScreen();
    s.autostart = m_world.autostart();
    s.calibration = m_state.calibration;
    s.boardLinked = m_world.boardLinked();
    s.whiteboardRunning = m_world.whiteboardRunning();
    return s;
}

void ShellController::onTrayCallback(unsigned iconId, unsigned mouse) {
    if (!isTrayIcon(iconId) || m_state.shutDown) return;
    if (mouse == msg::kLeftButtonDown) {
        // The menu waits until no second click can follow: a double click only shows the view,
        // and its second click must not land in a menu opened by the first.
        m_state.trayClickPending = true;
        m_view.startWait(Wait::TrayClick);
    } else if (mouse == msg::kRightButtonUp) {
        m_state.trayClickPending = false;
        m_view.showTrayMenu(menuState());
    } else if (mouse == msg::kLeftDoubleClick) {
        m_state.trayClickPending = false;
        if (!m_state.viewShown) showFromHidden();
    }
}

void ShellController::onWaitOver(Wait wait) {
    if (m_state.shutDown) return;
    if (wait == Wait::CameraAdmission) {
        m_admitWaiting = false;
        if (m_admitUntilMs < 0) return;
        const int before = m_admitBefore;
        m_world.reinitCameras(m_state.viewShown);
        if (m_world.openCameraCount() > before) changeToCapture();
        retryAdmission();
        return;
    }
    if (wait == Wait::TrayClick) {
        if (!m_state.trayClickPending) return;
        m_state.trayClickPending = false;
        m_view.showTrayMenu(menuState());
        return;
    }
    if (!m_state.awaitingTray) return;
    m_state.awaitingTray = false;
    if (m_state.trayPresent || m_state.viewShown) return;
    showFromHidden();
    changeToCapture();
}

void ShellController::onShowInstance() {
    if (m_state.shutDown) return;
    if (m_state.viewShown) {
        // Shown but perhaps covered by another program's window: to the front, with the focus.
        m_view.showWindow();
        m_view.raiseOverlay();
        return;
    }
    showFromHidden();
}

void ShellController::onTrayPresence(bool present) {
    if (present == m_state.trayPresent) return;
    m_state.trayPresent = present;
    if (present) {
        m_state.awaitingTray = false;
        dropWayBack();
    } else if (!m_state.viewShown && !m_state.awaitingTray) {
        leaveWayBack();
    }
}

void ShellController::onRestore() {
    if (m_state.viewShown || m_state.shutDown) return;
    showFromHidden();
}

// ---------------------------------------------------------------------------------------------
// Keys

bool ShellController::isRepeat(int keyType, int64_t now) const {
    return keyType == m_state.lastKeyType && now - m_state.lastKeyTime < kRepeatMs;
}

void ShellController::onKey(int board, int keyType) {
    if (m_state.shutDown) return;
    if (m_state.calibration) {
        commandCalibration();
        return;
    }
    const int64_t now = m_clock.nowMs();
    if (isRepeat(keyType, now)) return;
    followBoard(board);
    m_state.lastKeyType = keyType;
    m_state.lastKeyTime = now;
    act(board, keyType);
}

// Each board drives its own camera while the two are not shown side by side; the keyboard
// drives the current one.
void ShellController::followBoard(int board) {
    if (board >= 0 && m_world.cameraCount() >= 2 && !m_world.dualScreen())
        m_world.selectCamera(board, looking());
}

bool ShellController::onKeyboard(int qtKey) {
    if (qtKey == Qt::Key_Menu) {
        if (m_state.viewShown && !m_state.calibration) m_view.openToolbar();
        return true;
    }
    const int keyType = keyTypeOfKey(qtKey);
    if (keyType == 0) return false;
    onKey(kKeyboard, keyType);
    return true;
}

void ShellController::act(int board, int keyType) {
    switch (keyAction(keyType, faceOf(m_state))) {
        case KeyAction::AskClearAll:
            if (!m_view.pictureNumbers().empty()) m_view.showPrompt();
            break;
        case KeyAction::SendToFront: m_world.sendKeyToFront(keyType); break;
        case KeyAction::CaptureShow: takePicture(kTagShow); break;
        case KeyAction::NextPicture: stepPicture(+1); break;
        case KeyAction::PreviousPicture: stepPicture(-1); break;
        case KeyAction::ZoomOut: m_view.zoomPicture(-0.1); break;
        case KeyAction::ZoomIn: m_view.zoomPicture(0.1); break;
        case KeyAction::Share: share(); break;
        case KeyAction::ShowViewThenLive:
            showView(true);
            changeToCapture();
            break;
        case KeyAction::Live: changeToCapture(); break;
        case KeyAction::CaptureShowOrHandOff: takePicture(kTagShowOrHandOff); break;
        case KeyAction::HideAndCapture:
            if (m_world.cameraCount() < 1) break;
            showView(false);
            takePicture(kTagKeepHidden);
            break;
        case KeyAction::ShowView: showView(true); break;
        case KeyAction::CommandD: m_world.sendCommandD(board); break;
        case KeyAction::None: break;
    }
}

// The next or previous picture of the list; the first and the last stay where they are.
void ShellController::stepPicture(int direction) {
    const std::vector<int> numbers = m_view.pictureNumbers();
    const int current = m_view.currentPicture();
    const auto at = std::find(numbers.begin(), numbers.end(), current);
    if (at == numbers.end()) return;
    const auto index = (at - numbers.begin()) + direction;
    if (index < 0 || index >= static_cast<long>(numbers.size())) return;
    showPicture(numbers[index]);
}

bool ShellController::takePicture(int tag) {
    if (m_world.cameraCount() < 1 || m_state.captureBusy) return false;
    m_state.captureBusy = true;
    // A refused capture never reports back: busy would stay set for good.
    if (!m_world.takePicture(tag)) m_state.captureBusy = false;
    return m_state.captureBusy;
}

void ShellController::showBoxOnce(int textId) {
    if (!m_state.boxAllowed) return;
    m_state.boxAllowed = false;
    m_view.message(textId, kMbSystemModal | kMbOk);
    m_state.boxAllowed = true;
}

void ShellController::share() {
    if (!m_world.sharingEnabled()) return;
    if (m_view.pictureNumbers().empty())
        showBoxOnce(text::kNoPictureToShare);
    else if (m_view.promptShown())
        showBoxOnce(text::kSharingWhileDeleting);
    else
        m_view.startShare();
}

// ---------------------------------------------------------------------------------------------
// Pictures

void ShellController::onShowPicture(int pictureId) {
    presentPicture(pictureId, true);
}

void ShellController::onPictureReady(int pictureId, int tag) {
    // Nothing was stored: only the capture ends.
    if (pictureId > 0) {
        const bool handedOff = tag == kTagShowOrHandOff && handOffWanted();
        if (handedOff)
            handOver(pictureId);
        else if (tag == kTagShowOrHandOff && !m_state.viewShown)
            makeViewVisible();
        if (!handedOff && (tag == kTagShowOrHandOff || tag == kTagShow)) showPicture(pictureId);
        m_view.postPictureAdded(pictureId);
    }
    m_state.captureBusy = false;
}

// Whether a new picture goes to the whiteboard program instead of the screen.
bool ShellController::handOffWanted() {
    const bool running = m_world.whiteboardRunning();
    if (m_world.boardLinked()) {
        if (!running) m_world.setBoardLinked(false);
        return running;
    }
    if (!running) {
        m_state.linkDeclined = false;
        return false;
    }
    if (m_state.linkDeclined) return false;
    if (askLink()) return true;
    m_state.linkDeclined = true;
    return false;
}

bool ShellController::askLink() {
    if (m_view.message(text::kAskLinkWhiteboard, kMbSystemModal | kMbOkCancel) != kIdOk)
        return false;
    m_world.setBoardLinked(true);
    m_world.readBoardInstallPath();
    return true;
}

// Hiding the view also hides the overlay, the list, the QR code view and the pen's strokes.
void ShellController::handOver(int pictureId) {
    m_view.handOff(pictureId);
    showView(false);
}

// ---------------------------------------------------------------------------------------------
// Devices and the screen

void ShellController::onDeviceChange(unsigned event, const QString& name) {
    if (event != msg::kDeviceArrival && event != msg::kDeviceRemoveComplete) return;
    const bool camera = devicenames::isCamera(name);
    const bool board = devicenames::isBoard(name);
    if (event == msg::kDeviceRemoveComplete) {
        if (camera) onCameraRemoved();
        if (board) onBoardRemoved(name);
    } else {
        if (camera) onCameraArrived();
        if (board) onBoardArrived(name);
    }
}

void ShellController::onCameraRemoved() {
    m_admitBefore = std::min(m_admitBefore, m_world.openCameraCount() - 1);
    m_world.setDualScreen(false);
    m_world.reinitCameras(looking());
    if (m_world.cameraCount() != 0) return;
    m_view.showPropertyPage(false);
    if (m_state.calibration) endCalibrationMode();
}

void ShellController::onCameraArrived() {
    const int before = m_world.openCameraCount();
    m_world.reinitCameras(m_state.viewShown);
    changeToCapture();
    // A second notice of the same camera (its node after its USB device) keeps the first count.
    if (m_admitUntilMs >= 0) return retryAdmission();
    if (m_world.openCameraCount() > before) return;
    m_admitBefore = before;
    m_admitUntilMs = m_clock.nowMs() + kAdmissionWindowMs;
    if (!m_admitWaiting) {
        m_admitWaiting = true;
        m_view.startWait(Wait::CameraAdmission);
    }
}

// Called after the cameras were opened again: ends the admission when the new camera is open,
// gives up when its time is over, else waits for the next try.
void ShellController::retryAdmission() {
    if (m_world.openCameraCount() > m_admitBefore) {
        m_admitUntilMs = -1;
        return;
    }
    if (m_clock.nowMs() >= m_admitUntilMs) {
        m_admitUntilMs = -1;
        platform::log::failure(platform::log::camera(),
                               QStringLiteral("a camera that arrived did not open within %1 ms")
                                   .arg(kAdmissionWindowMs),
                               QString());
        return;
    }
    if (!m_admitWaiting) {
        m_admitWaiting = true;
        m_view.startWait(Wait::CameraAdmission);
    }
}

// The boards' own work runs off this thread; the tray hears of it when it is done.
void ShellController::onBoardRemoved(const QString& name) {
    m_world.removeBoard(name, [this](int left) {
        if (!m_state.shutDown && left == 0) m_view.updateTrayIcon(kTrayDisconnected);
    });
}

void ShellController::onBoardArrived(const QString& name) {
    m_world.addBoard(name, [this](int before, int after) {
        if (!m_state.shutDown && before == 0 && after > 0) m_view.updateTrayIcon(kTrayConnected);
    });
}

void ShellController::onDisplayChange() {
    if (m_state.shutDown) return;
    m_world.placeCameras();
    m_view.fitWorkArea();
    m_view.relayoutOverlay();
    if (m_state.calibration) commandCalibration();
    m_view.placeCornerButton();
}

// ---------------------------------------------------------------------------------------------
// Commands

void ShellController::runCommand(int id) {
    switch (id) {
        case tray::kCmdFirmware: m_view.showFirmwareDialog(); break;
        case tray::kCmdAdjust: commandAdjust(); break;
        case tray::kCmdExit: commandExit(); break;
        case tray::kCmdLinkWhiteboard: commandLink(); break;
        case tray::kCmdAbout: m_view.showAboutDialog(); break;
        case tray::kCmdCalibration: commandCalibration(); break;
        case tray::kCmdDualScreen: commandDualScreen(); break;
        case tray::kCmdSwap: commandSwap(); break;
        case tray::kCmdAutostart: m_world.toggleAutostart(); break;
        default: break;
    }
}

void ShellController::commandAdjust() {
    if (m_world.cameraCount() < 1) {
        m_view.message(text::kNoCamera, kMbSystemModal | kMbOk);
        return;
    }
    m_view.showPropertyPage(true);
    if (m_state.viewShown) return;
    makeViewVisible();
    changeToCapture();
}

void ShellController::commandExit() {
    if (m_view.message(text::kAskClose, kMbSystemModal | kMbOkCancel) != kIdOk) return;
    if (!m_view.pictureNumbers().empty() &&
        m_view.message(text::kAskExport, kMbSystemModal | kMbOkCancel) == kIdOk)
        m_view.exportAllPictures();
    m_view.removeTrayIcon();
    m_view.shutDownDialog();
}

void ShellController::commandLink() {
    const bool running = m_world.whiteboardRunning();
    if (m_world.boardLinked()) {
        if (running) m_state.linkDeclined = true;
        m_world.setBoardLinked(false);
        if (!m_state.viewShown) showView(true);
    } else if (running) {
        m_state.linkDeclined = false;
        m_world.setBoardLinked(true);
        m_world.readBoardInstallPath();
        if (m_state.viewShown) showView(false);
    }
}

void ShellController::commandCalibration() {
    if (m_world.cameraCount() < 1) {
        m_view.message(text::kNoCamera, kMbSystemModal | kMbOk);
        return;
    }
    if (!m_state.viewShown) {
        // The panel stays hidden: calibration has its own button.
        becomeVisible();
        m_view.showOverlay(true);
    }
    changeToCapture();
    if (m_state.calibration)
        leaveCalibration();
    else
        enterCalibration();
    m_view.repaint();
}

void ShellController::enterCalibration() {
    m_world.startCalibration();
    m_state.calibration = true;
    m_view.drawingOff();
    m_view.showPanel(false);
    m_view.showCalibrationButton(true);
}

void ShellController::leaveCalibration() {
    if (m_world.cameraCount() >= 2 && m_world.dualScreen() && m_world.dualCalibrationReady()) {
        leaveDualCalibration();
        return;
    }
    if (!m_world.finishCalibration()) {
        m_view.message(text::kCalibrationFailed, kMbSystemModal | kMbOk);
        return;
    }
    endCalibrationMode();
}

// Both cameras calibrated side by side: the teacher saves or calibrates again.
void ShellController::leaveDualCalibration() {
    if (m_state.calibrationPromptOpen) return;
    m_state.calibrationPromptOpen = true;
    const int choice = m_world.askCalibrationChoice();
    m_state.calibrationPromptOpen = false;
    if (choice != 1) return;
    m_world.finishDualCalibration();
    endCalibrationMode();
    changeToCapture();
}

void ShellController::endCalibrationMode() {
    m_state.calibration = false;
    m_view.showCalibrationButton(false);
    m_view.showPanel(true);
}

void ShellController::commandDualScreen() {
    if (!m_state.viewShown) {
        makeViewVisible();
        changeToCapture();
    }
    if (m_state.calibration) {
        commandCalibration();
        return;
    }
    if (m_world.cameraCount() < 2) return;
    m_world.setDualScreen(!m_world.dualScreen());
    if (m_world.dualScreen()) {
        m_world.placeDual();
    } else {
        m_world.placeSeparate();
        m_view.showCalibrationButton(false);
        m_view.showPanel(true);
    }
    changeToCapture();
}

void ShellController::commandSwap() {
    if (m_world.cameraCount() < 2) {
        m_view.message(text::kNoCamera, kMbSystemModal | kMbOk);
        return;
    }
    if (m_state.calibration) {
        commandCalibration();
        return;
    }
    if (!m_state.viewShown) makeViewVisible();
    m_view.showPictureLayer(false);
    m_state.pictureShown = false;
    m_world.swapCameras();
    changeToCapture();
}

}  // namespace shell
