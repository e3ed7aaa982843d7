#include "QuilletDlg.h"

#include "app/AboutDlg.h"
#include "app/Artwork.h"
#include "app/DeviceNames.h"
#include "app/MoveDlg.h"
#include "app/PanelLayout.h"
#include "app/PictureSurface.h"
#include "app/PictureViewer.h"
#include "app/Prompt.h"
#include "app/QuilletApp.h"
#include "app/ResourceIds.h"
#include "app/TopDlg.h"
#include "app/TrayIcon.h"
#include "app/TrayMenuModel.h"
#include "app/ViewGeometry.h"
#include "camera/Camera.h"
#include "camera/ui/PageProperty.h"
#include "camera/ui/VideoWindow.h"
#include "cloud/CloudConfig.h"
#include "cloud/ShareController.h"
#include "cloud/ui/QRCodeView.h"
#include "device/DeviceManager.h"
#include "firmware/ui/BIOSUpdateDlg.h"
#include "lang/TextIds.h"
#include "pictures/ui/PicListView.h"
#include "platform/Clock.h"
#include "platform/Folders.h"
#include "platform/MessageBoxTypes.h"
#include "platform/MessageIds.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QScreen>
#include <QWheelEvent>

using camera::DisplayRect;
using namespace platform;

namespace {

constexpr int kRepeatMs = 500;
constexpr unsigned kTrayRecordId = 128;
constexpr int kVideoWindow0 = 1000;
constexpr int kVideoWindow1 = 1001;
constexpr int kPictureSurface = 1012;

// Key types of the button board.
enum Key : int {
    kKeyClearAll = 1,
    kKeyNext = 2,
    kKeyPrevious = 3,
    kKeyZoomOut = 4,
    kKeyZoomIn = 5,
    kKeyShare = 6,
    kKeyLive = 7,
    kKeyCapture = 8,
    kKeyHideCapture = 9,
    kKeyCommandD = 10,
};

// Capture tags.
constexpr int kTagShowOrHandOff = 0;
constexpr int kTagKeepHidden = 1;
constexpr int kTagShow = 2;

}  // namespace

CQuilletDlg::CQuilletDlg(CQuilletApp& app, Services services)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::Tool),
      m_app(app),
      m_services(std::move(services)),
      m_clock(m_services.clock != nullptr ? *m_services.clock : SystemClock::instance()) {
    setObjectName("102");
    setWindowTitle(text(text::kAppName));
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::black);
    setPalette(p);
    for (int i = 0; i < 2; ++i) {
        m_video[i] = new camera::CVideoWindow(this);
        m_video[i]->setObjectName(QString::number(i == 0 ? kVideoWindow0 : kVideoWindow1));
    }
    m_video[1]->hide();
    m_surface = new app::PictureSurface(this);
    m_surface->setObjectName(QString::number(kPictureSurface));
    m_surface->hide();
    m_app.registerMainDialog(this, this);
}

CQuilletDlg::~CQuilletDlg() {
    if (!m_shutDown) ShutDownDialog();
    m_app.unregisterMainDialog(this);
}

QString CQuilletDlg::text(int id) const {
    return m_app.SetText(id);
}

QRect CQuilletDlg::workArea() const {
    return m_app.workArea();
}

int CQuilletDlg::cameraCount() const {
    return m_app.camera().CameraCount();
}

QString CQuilletDlg::deviceVersion(int index) const {
    return m_app.camera().DeviceVersion(index);
}

QString CQuilletDlg::commonAppDataFolder() const {
    return platform::commonAppDataFolder();
}

int CQuilletDlg::message(int textId, unsigned type) {
    return m_app.ShowMessage(text(textId), text(text::kCaption), type);
}

// ---------------------------------------------------------------------------------------------
// Start-up

// The window covers the work area from the screen's origin (its left and top taken as 0).
void CQuilletDlg::fillWorkArea() {
    const QRect area = workArea();
    setGeometry(0, 0, area.x() + area.width(), area.y() + area.height());
}

bool CQuilletDlg::OnInitDialog() {
    if (m_services.icon) setWindowIcon(m_services.icon(res::kProgramIcon));
    m_viewShown = true;
    m_captureBusy = false;
    fillWorkArea();
    if (cameraCount() < 1) return true;
    openCameras();
    const bool startHidden = m_app.startArgument() == QLatin1String("-Start");
    if (startHidden && m_services.trayAvailable)
        m_viewShown = false;
    else if (!startHidden)
        startLinkPrompt();
    m_surface->hide();
    startBoards();
    createOverlay();
    AddTrayIcon();
    m_surface->setGeometry(0, 0, width(), height());
    createViewer();
    m_initialised = true;
    if (m_viewShown) {
        show();
        ChangeToCapture();
    }
    return true;
}

void CQuilletDlg::openCameras() {
    CCamera& cam = m_app.camera();
    // The default placement needs the first camera's picture size, known once it is open.
    cam.OpenCameras(m_video[0], m_video[1], {0, 0, width(), height()}, true);
    m_viewRect = ComputeFitRect();
    cam.setViewRect(m_viewRect);
    for (size_t i = 0; i < cam.cameras().size(); ++i) placeAtPreviewOrView(static_cast<int>(i));
}

void CQuilletDlg::startLinkPrompt() {
    if (!CQuilletApp::WhiteboardRunning()) return;
    m_captureBusy = true;
    if (message(text::kAskLinkWhiteboard, kMbSystemModal | kMbOkCancel) == kIdOk) {
        m_app.setBoardLinkFlag(1);
        m_app.ReadBoardInstallPath();
        m_viewShown = false;
    } else {
        m_linkDeclined = true;
    }
    m_captureBusy = false;
}

void CQuilletDlg::startBoards() {
    if (!m_services.hid.transport) return;
    platform::Clock& clock = m_services.boardClock != nullptr ? *m_services.boardClock : m_clock;
    m_devices = std::make_unique<DeviceManager>(this, *m_services.hid.transport, clock);
    m_devices->EnumDevices();
    m_devices->StartReadingThread();
    if (m_services.hid.monitor && !m_services.hid.monitor->start(this))
        m_app.ShowMessage("RegisterDeviceNotification failed", text(text::kCaption), kMbOk);
}

DisplayRect CQuilletDlg::ComputeFitRect() const {
    const CCamera& cam = m_app.camera();
    QSize video;
    if (!cam.cameras().empty() && cam.sdk() != nullptr)
        video = QSize(cam.sdk()->pictureWidth(cam.cameras()[0]),
                      cam.sdk()->pictureHeight(cam.cameras()[0]));
    return view::ComputeFitRect(size(), video);
}

DisplayRect CQuilletDlg::ComputeSideBySideRect() const {
    const CCamera& cam = m_app.camera();
    QSize video;
    if (!cam.cameras().empty() && cam.sdk() != nullptr)
        video = QSize(cam.sdk()->pictureWidth(cam.cameras()[0]),
                      cam.sdk()->pictureHeight(cam.cameras()[0]));
    return view::ComputeSideBySideRect(size(), video);
}

// ---------------------------------------------------------------------------------------------
// Placing the live pictures

void CQuilletDlg::placeWindowAt(int listIndex, const DisplayRect& rect) {
    CCamera& cam = m_app.camera();
    if (listIndex < 0 || static_cast<size_t>(listIndex) >= cam.cameras().size()) return;
    cam.windows()[listIndex]->placeWindow(rect);
    cam.sdk()->placeView(cam.cameras()[listIndex], 0, 0, rect.width, rect.height);
}

void CQuilletDlg::placeAtPreviewOrView(int listIndex) {
    CCamera& cam = m_app.camera();
    if (listIndex < 0 || static_cast<size_t>(listIndex) >= cam.cameras().size()) return;
    DisplayRect rect;
    if (!cam.PreviewRect(cam.cameras()[listIndex], &rect)) rect = m_viewRect;
    placeWindowAt(listIndex, rect);
}

void CQuilletDlg::placeDual() {
    CCamera& cam = m_app.camera();
    DisplayRect left, right;
    if (!cam.DualPreviewRects(&left, &right)) {
        const DisplayRect both = ComputeSideBySideRect();
        left = view::leftHalf(both);
        right = view::rightHalf(both);
    }
    placeWindowAt(0, left);
    placeWindowAt(1, right);
}

void CQuilletDlg::makeViewVisible() {
    m_viewShown = true;
    fillWorkArea();
    show();
    raise();
    activateWindow();
    showOverlay(true);
    showPanel(true);
}

void CQuilletDlg::ShowView(bool show) {
    CCamera& cam = m_app.camera();
    if (show) {
        m_viewShown = true;
        fillWorkArea();
        QWidget::show();
        raise();
        activateWindow();
        if (cameraCount() >= 1) {
            if (cameraCount() >= 2 && m_app.dualScreen()) {
                m_app.setDualScreen(false);
                commandDualScreen();
            } else if (cam.currentCamera() != 0) {
                cam.sdk()->runView(cam.currentCamera(), true);
            }
        }
        showOverlay(true);
        showPanel(true);
        return;
    }
    if (cameraCount() >= 1) {
        if (!m_viewShown) ShowView(true);
        ChangeToCapture();
    }
    hide();
    for (const auto h : cam.cameras()) cam.sdk()->runView(h, false);
    hideUiParts();
    m_viewShown = false;
}

void CQuilletDlg::hideUiParts() {
    showOverlay(false);
    hidePictureList();
    hideQrView();
    m_surface->hide();
    showBackButton(false);
    m_pictureShown = false;
    if (drawingMode()) clearStrokes();
    showPanel(false);
}

void CQuilletDlg::ChangeToCapture() {
    CCamera& cam = m_app.camera();
    m_surface->hide();
    showBackButton(false);
    const auto& handles = cam.cameras();
    const auto& windows = cam.windows();
    if (handles.size() < 2) {
        if (cam.currentCamera() != 0) cam.sdk()->runView(cam.currentCamera(), true);
        m_video[0]->show();
    } else if (m_app.dualScreen()) {
        for (const auto h : handles) cam.sdk()->runView(h, true);
        m_video[0]->show();
        m_video[1]->show();
    } else {
        for (size_t i = 0; i < handles.size(); ++i) {
            const bool current = handles[i] == cam.currentCamera();
            cam.sdk()->runView(handles[i], current);
            windows[i]->showWindow(current);
        }
    }
    m_pictureShown = false;
    raiseOverlay();
}

void CQuilletDlg::ShowPicture(int pictureId) {
    CCamera& cam = m_app.camera();
    m_video[0]->hide();
    m_video[1]->hide();
    for (const auto h : cam.cameras()) cam.sdk()->runView(h, false);
    QString picture, thumbnail;
    cam.PictureExists(pictureId, &picture, &thumbnail);
    setCurrentPicture(pictureId);
    m_surface->show();
    showBackButton(true);
    loadPicture(picture);
    m_pictureShown = true;
    showPanel(true);
    raiseOverlay();
}

// ---------------------------------------------------------------------------------------------
// Tray

void CQuilletDlg::AddTrayIcon() {
    if (!m_services.trayAvailable) return;
    m_tray = std::make_unique<TrayIcon>(
        this, [this](int id) { return text(id); },
        m_services.icon ? m_services.icon : [](int) { return QIcon(); });
    m_tray->AddTrayIcon(m_devices ? m_devices->GetDeviceCount() : 0);
}

void CQuilletDlg::UpdateTrayIcon(int state) {
    if (m_tray) m_tray->UpdateTrayIcon(state);
}

void CQuilletDlg::OnTrayCallback(unsigned iconId, unsigned mouse) {
    if (iconId != kTrayRecordId && iconId != 145 && iconId != 146) return;
    if (mouse == msg::kLeftButtonDown || mouse == msg::kRightButtonUp) {
        showTrayMenuAt(QCursor::pos());
    } else if (mouse == msg::kLeftDoubleClick && !m_viewShown) {
        makeViewVisible();
        ShowView(true);
    }
}

void CQuilletDlg::showTrayMenuAt(QPoint globalPos) {
    tray::MenuState state;
    state.cameraCount = cameraCount();
    state.dualScreen = m_app.dualScreen();
    state.autostart = m_app.autostartFlag();
    state.calibration = m_calibrationMode;
    state.boardLinked = m_app.boardLinkFlag() != 0;
    state.whiteboardRunning = CQuilletApp::WhiteboardRunning();
    delete m_menu;
    m_menu = new QMenu(this);
    m_menu->setObjectName("129");
    for (const tray::MenuEntry& e : tray::menuEntries(state)) {
        QAction* action = m_menu->addAction(text(e.textId));
        action->setData(e.command);
        action->setEnabled(e.enabled);
        action->setCheckable(e.checked);
        action->setChecked(e.checked);
        const int command = e.command;
        connect(action, &QAction::triggered, this, [this, command] { runCommand(command); });
    }
    activateWindow();
    m_menu->popup(globalPos);
}

// ---------------------------------------------------------------------------------------------
// Messages

bool CQuilletDlg::event(QEvent* e) {
    if (handleMessage(e)) return true;
    return QWidget::event(e);
}

bool CQuilletDlg::handleMessage(QEvent* e) {
    const Message* m = asMessage(e);
    if (m == nullptr) return false;
    switch (m->msg) {
        case msg::kTrayCallback: {
            const auto t = msg::trayCallbackOf(*m);
            OnTrayCallback(t.iconId, t.mouse);
            return true;
        }
        case msg::kKey: {
            const auto k = msg::keyOf(*m);
            OnKey(k.board, k.keyType);
            return true;
        }
        case msg::kShowPicture: OnShowPicture(msg::pictureNumberOf(*m)); return true;
        case msg::kPictureReady: {
            const auto r = msg::pictureReadyOf(*m);
            OnPictureReady(r.number, r.tag);
            return true;
        }
        case msg::kDeviceChange: {
            const auto d = msg::deviceChangeOf(*m);
            OnDeviceChange(d.event, d.name);
            return true;
        }
        case msg::kShowInstance:
            if (!m_viewShown) {
                makeViewVisible();
                ShowView(true);
            }
            return true;
        default: return false;
    }
}

void CQuilletDlg::OnKey(int board, int keyType) {
    if (m_shutDown) return;
    if (m_calibrationMode) {
        commandCalibration();
        return;
    }
    const int64_t now = m_clock.nowMs();
    if (keyType == m_lastKeyType && now - m_lastKeyTime < kRepeatMs) return;
    CCamera& cam = m_app.camera();
    const auto& handles = cam.cameras();
    if (handles.size() >= 2 && !m_app.dualScreen() && board >= 0 &&
        static_cast<size_t>(board) < handles.size() && cam.currentCamera() != handles[board]) {
        cam.sdk()->runView(cam.currentCamera(), false);
        cam.setCurrentCamera(handles[board]);
        cam.sdk()->runView(handles[board], true);
    }
    m_lastKeyType = keyType;
    m_lastKeyTime = now;
    switch (keyType) {
        case kKeyClearAll:
            if (hasPictures()) showPrompt();
            break;
        case kKeyNext:
        case kKeyPrevious:
            if (!m_viewShown)
                sendKeyToFront(keyType);
            else if (m_pictureShown)
                nextPicture(keyType);
            else
                takePicture(kTagShow);
            break;
        case kKeyZoomOut:
        case kKeyZoomIn:
            if (!m_viewShown)
                sendKeyToFront(keyType);
            else if (m_pictureShown)
                zoomPicture(keyType == kKeyZoomIn ? 0.1 : -0.1);
            break;
        case kKeyShare: share(); break;
        case kKeyLive:
            if (!m_viewShown) ShowView(true);
            ChangeToCapture();
            break;
        case kKeyCapture:
            if (!m_captureBusy && !m_pictureShown && cameraCount() >= 1)
                takePicture(kTagShowOrHandOff);
            break;
        case kKeyHideCapture:
            if (m_viewShown) {
                if (cameraCount() >= 1) {
                    ShowView(false);
                    takePicture(kTagKeepHidden);
                }
            } else {
                ShowView(true);
            }
            break;
        case kKeyCommandD:
            if (m_devices) m_devices->SendCommandD(board);
            break;
        default: break;
    }
}

bool CQuilletDlg::takePicture(int tag) {
    if (cameraCount() < 1 || m_captureBusy) return false;
    m_captureBusy = true;
    if (m_app.camera().TakePic(tag) == 0) {
        // The controller refused (a capture of its own still runs): nothing will report back.
        m_captureBusy = false;
        return false;
    }
    return true;
}

void CQuilletDlg::sendKeyToFront(int keyType) {
    if (m_services.sendKey) m_services.sendKey(keyType);
}

void CQuilletDlg::nextPicture(int keyType) {
    const std::vector<int> numbers = pictureNumbers();
    const int current = currentPicture();
    const auto at = std::find(numbers.begin(), numbers.end(), current);
    if (at == numbers.end()) return;
    int wanted = current;
    if (keyType == kKeyNext && at + 1 != numbers.end()) wanted = *(at + 1);
    if (keyType == kKeyPrevious && at != numbers.begin()) wanted = *(at - 1);
    if (wanted != current) ShowPicture(wanted);
}

void CQuilletDlg::zoomPicture(double step) {
    const QPointF centre(m_viewRect.x + m_viewRect.width / 2, m_viewRect.y + m_viewRect.height / 2);
    zoomViewer(step, centre);
    m_surface->show();
    m_video[0]->hide();
    showBackButton(true);
}

void CQuilletDlg::showBoxOnce(int textId) {
    if (!m_boxAllowed) return;
    m_boxAllowed = false;
    message(textId, kMbSystemModal | kMbOk);
    m_boxAllowed = true;
}

void CQuilletDlg::share() {
    if (!sharingEnabled()) return;
    if (!hasPictures()) {
        showBoxOnce(text::kNoPictureToShare);
        return;
    }
    if (promptShown()) {
        showBoxOnce(text::kSharingWhileDeleting);
        return;
    }
    startShare();
}

void CQuilletDlg::OnShowPicture(int pictureId) {
    m_video[0]->hide();
    m_video[1]->hide();
    QString picture, thumbnail;
    m_app.camera().PictureExists(pictureId, &picture, &thumbnail);
    setViewerFrame(m_viewRect);
    setCurrentPicture(pictureId);
    m_surface->show();
    showBackButton(true);
    loadPicture(picture);
    m_pictureShown = true;
    raiseOverlay();
}

void CQuilletDlg::OnPictureReady(int pictureId, int tag) {
    if (pictureId <= 0) {
        // Nothing was stored: only the capture ends.
        m_captureBusy = false;
        return;
    }
    bool handedOff = false;
    if (tag == kTagShowOrHandOff) {
        const bool running = CQuilletApp::WhiteboardRunning();
        if (m_app.boardLinkFlag() != 0 && running) {
            handedOff = true;
        } else if (m_app.boardLinkFlag() != 0) {
            m_app.setBoardLinkFlag(0);
        } else if (running) {
            if (!m_linkDeclined) {
                if (askLink())
                    handedOff = true;
                else
                    m_linkDeclined = true;
            }
        } else {
            m_linkDeclined = false;
        }
        if (handedOff) {
            handOff(pictureId);
            showOverlay(false);
            hidePictureList();
            hideQrView();
            if (drawingMode()) clearStrokes();
            showPanel(false);
            ShowView(false);
        } else if (!m_viewShown) {
            makeViewVisible();
        }
    }
    if (!handedOff && (tag == kTagShowOrHandOff || tag == kTagShow)) ShowPicture(pictureId);
    postPictureAdded(pictureId);
    m_captureBusy = false;
}

bool CQuilletDlg::askLink() {
    if (message(text::kAskLinkWhiteboard, kMbSystemModal | kMbOkCancel) != kIdOk) return false;
    m_app.setBoardLinkFlag(1);
    m_app.ReadBoardInstallPath();
    return true;
}

bool CQuilletDlg::OnDeviceChange(unsigned event, const QString& name) {
    if (event != msg::kDeviceArrival && event != msg::kDeviceRemoveComplete) return true;
    const bool camera = devicenames::isCamera(name);
    const bool board = devicenames::isBoard(name);
    if (event == msg::kDeviceRemoveComplete) {
        if (camera) onCameraRemoved();
        if (board) onBoardRemoved(name);
    } else {
        if (camera) onCameraArrived();
        if (board) onBoardArrived(name);
    }
    return true;
}

void CQuilletDlg::onCameraRemoved() {
    m_app.setDualScreen(false);
    m_app.camera().Reinit();
    if (cameraCount() == 0) {
        hidePropertyPage();
        if (m_calibrationMode) {
            m_calibrationMode = false;
            showCalibrationButton(false);
            showPanel(true);
        }
    }
}

void CQuilletDlg::onCameraArrived() {
    m_app.camera().Reinit();
    ChangeToCapture();
}

void CQuilletDlg::onBoardRemoved(const QString& name) {
    if (!m_devices) return;
    m_devices->RemoveDevice(name);
    if (m_devices->GetDeviceCount() == 0) UpdateTrayIcon(2);
}

void CQuilletDlg::onBoardArrived(const QString& name) {
    if (!m_devices) return;
    const int before = m_devices->GetDeviceCount();
    const int n = m_devices->AddDevice(name);
    if (n > 0) m_devices->SendCommandD(n - 1);
    if (before == 0 && n > 0) UpdateTrayIcon(1);
}

void CQuilletDlg::OnDisplayChange() {
    fillWorkArea();
    m_surface->setGeometry(0, 0, width(), height());
    m_viewRect = ComputeFitRect();
    m_app.camera().setViewRect(m_viewRect);
    setViewerFrame(m_viewRect);
    CCamera& cam = m_app.camera();
    if (!cam.cameras().empty()) placeAtPreviewOrView(0);
    if (cam.cameras().size() >= 2) {
        if (m_app.dualScreen())
            placeDual();
        else
            placeAtPreviewOrView(1);
    }
    relayoutOverlay();
    if (m_calibrationMode) commandCalibration();
    placeCornerButton();
}

// ---------------------------------------------------------------------------------------------
// Commands

void CQuilletDlg::runCommand(int id) {
    switch (id) {
        case tray::kCmdFirmware: commandFirmware(); break;
        case tray::kCmdAdjust: commandAdjust(); break;
        case tray::kCmdExit: commandExit(); break;
        case tray::kCmdLinkWhiteboard: commandLink(); break;
        case tray::kCmdAbout: commandAbout(); break;
        case tray::kCmdCalibration: commandCalibration(); break;
        case tray::kCmdDualScreen: commandDualScreen(); break;
        case tray::kCmdSwap: commandSwap(); break;
        case tray::kCmdAutostart: commandAutostart(); break;
        default: break;
    }
}

void CQuilletDlg::commandFirmware() {
    showFirmwareDialog();
}

void CQuilletDlg::commandAdjust() {
    if (cameraCount() < 1) {
        message(text::kNoCamera, kMbSystemModal | kMbOk);
        return;
    }
    showPropertyPage();
    if (!m_viewShown) {
        makeViewVisible();
        ChangeToCapture();
    }
}

void CQuilletDlg::commandExit() {
    if (message(text::kAskClose, kMbSystemModal | kMbOkCancel) != kIdOk) return;
    if (hasPictures() && message(text::kAskExport, kMbSystemModal | kMbOkCancel) == kIdOk)
        exportAllPictures();
    if (m_tray) m_tray->remove();
    ShutDownDialog();
}

void CQuilletDlg::commandLink() {
    const bool running = CQuilletApp::WhiteboardRunning();
    if (m_app.boardLinkFlag() != 0) {
        if (running) m_linkDeclined = true;
        m_app.setBoardLinkFlag(0);
        if (!m_viewShown) ShowView(true);
    } else if (running) {
        m_linkDeclined = false;
        m_app.setBoardLinkFlag(1);
        m_app.ReadBoardInstallPath();
        if (m_viewShown) ShowView(false);
    }
}

void CQuilletDlg::commandAbout() {
    showAboutDialog();
}

void CQuilletDlg::commandCalibration() {
    if (cameraCount() < 1) {
        message(text::kNoCamera, kMbSystemModal | kMbOk);
        return;
    }
    ChangeToCapture();
    if (!m_viewShown) {
        m_viewShown = true;
        fillWorkArea();
        show();
        showOverlay(true);
    }
    if (!m_calibrationMode)
        enterCalibration();
    else
        leaveCalibration();
    update();
}

void CQuilletDlg::enterCalibration() {
    CCamera& cam = m_app.camera();
    const auto& handles = cam.cameras();
    if (handles.size() >= 2 && m_app.dualScreen()) {
        const DisplayRect both = ComputeSideBySideRect();
        placeWindowAt(0, view::leftHalf(both));
        placeWindowAt(1, view::rightHalf(both));
    } else {
        const auto at = std::find(handles.begin(), handles.end(), cam.currentCamera());
        if (at != handles.end()) placeWindowAt(static_cast<int>(at - handles.begin()), m_viewRect);
    }
    cam.StartCalibration();
    m_calibrationMode = true;
    drawingOff();
    showPanel(false);
    showCalibrationButton(true);
}

void CQuilletDlg::leaveCalibration() {
    CCamera& cam = m_app.camera();
    const auto& handles = cam.cameras();
    if (handles.size() >= 2 && m_app.dualScreen()) {
        DisplayRect left, right;
        if (cam.DualPreviewRects(&left, &right)) {
            if (m_calibrationPromptOpen) return;
            m_calibrationPromptOpen = true;
            const int choice = m_app.AskCalibrationChoice();
            m_calibrationPromptOpen = false;
            if (choice == 1) {
                cam.SaveCalibration();
                cam.EndCalibration();
                showCalibrationButton(false);
                showPanel(true);
                placeWindowAt(0, left);
                placeWindowAt(1, right);
                ChangeToCapture();
                m_calibrationMode = false;
            }
            return;
        }
    }
    DisplayRect rect;
    if (!cam.PreviewRect(cam.currentCamera(), &rect)) {
        message(text::kCalibrationFailed, kMbSystemModal | kMbOk);
        return;
    }
    cam.SaveCalibration();
    cam.EndCalibration();
    const auto at = std::find(handles.begin(), handles.end(), cam.currentCamera());
    if (at != handles.end()) placeWindowAt(static_cast<int>(at - handles.begin()), rect);
    showCalibrationButton(false);
    showPanel(true);
    m_calibrationMode = false;
}

void CQuilletDlg::commandDualScreen() {
    if (!m_viewShown) {
        makeViewVisible();
        ChangeToCapture();
    }
    if (m_calibrationMode) {
        commandCalibration();
        return;
    }
    CCamera& cam = m_app.camera();
    if (cam.cameras().size() < 2) return;
    m_app.setDualScreen(!m_app.dualScreen());
    if (m_app.dualScreen()) {
        placeDual();
    } else {
        placeAtPreviewOrView(0);
        placeAtPreviewOrView(1);
        // The order of the lists follows the swap flag again.
        const bool exchanged = cam.windows()[0] == m_video[1];
        if (m_app.swapFlag() != exchanged) cam.SwapCameras();
        showCalibrationButton(false);
        showPanel(true);
    }
    ChangeToCapture();
}

void CQuilletDlg::commandSwap() {
    CCamera& cam = m_app.camera();
    if (cameraCount() < 2 || cam.cameras().size() < 2) {
        message(text::kNoCamera, kMbSystemModal | kMbOk);
        return;
    }
    if (m_calibrationMode) {
        commandCalibration();
        return;
    }
    if (!m_viewShown) makeViewVisible();
    m_surface->hide();
    showBackButton(false);
    m_pictureShown = false;
    if (m_app.dualScreen()) {
        cam.SwapCameras();
        placeDual();
    } else {
        cam.SwapCameras();
        const auto& handles = cam.cameras();
        cam.setCurrentCamera(handles[0] == cam.currentCamera() ? handles[1] : handles[0]);
        m_app.setSwapFlag(!m_app.swapFlag());
        m_app.SaveSwapSetting();
    }
    ChangeToCapture();
}

void CQuilletDlg::commandAutostart() {
    if (m_app.autostartFlag())
        m_app.DisableAutostart();
    else
        m_app.EnableAutostart();
}

// ---------------------------------------------------------------------------------------------
// Input and the end

bool CQuilletDlg::eventFilter(QObject* watched, QEvent* e) {
    // Messages from other threads pass here before their receiver: take them over first.
    if (asMessage(e) != nullptr) return QWidget::eventFilter(watched, e);
    if (watched->isWidgetType() && static_cast<QWidget*>(watched)->window() == this &&
        viewerInput(e))
        return true;
    return QWidget::eventFilter(watched, e);
}

void CQuilletDlg::keyPressEvent(QKeyEvent* e) {
    // Escape never closes the main window.
    if (e->key() == Qt::Key_Escape) return;
    QWidget::keyPressEvent(e);
}

void CQuilletDlg::closeEvent(QCloseEvent* e) {
    // Closing the window is the exit path only through ShutDownDialog.
    e->ignore();
}

void CQuilletDlg::OnQueryEndSession() {
    ShutDownDialog();
}

void CQuilletDlg::ShutDownDialog() {
    if (m_shutDown) return;
    m_shutDown = true;
    shutDownOverlay();
    if (m_devices) {
        m_devices->Shutdown();
        m_devices.reset();
    }
    // Captures and streams draw into this window: they end before it goes.
    m_app.camera().waitForCaptures();
    m_app.camera().CloseCameras();
    endDialog();
}

void CQuilletDlg::endDialog() {
    hide();
    QCoreApplication::exit(0);
}

// ---------------------------------------------------------------------------------------------
// Children

QWidget* CQuilletDlg::pictureSurface() const {
    return m_surface;
}

void CQuilletDlg::createOverlay() {
    const PixmapSource pixmaps = [](int id, QSize size) { return art::pixmap(id, size); };
    m_overlay = new TopDlg(*this, pixmaps, this, m_clock);
    m_overlay->show();
    m_overlay->setPenWidth(std::min(width(), height()) / 200);
    createChildDialogs();
}

void CQuilletDlg::createChildDialogs() {
    // Top-level windows of their own; they go with the main window.
    m_picList = new CPicListView(*this, this);
    m_qrView = new cloud::QRCodeView(this);
    m_qrView->hide();
    m_share =
        std::make_unique<cloud::ShareController>(*this, cloud::CloudConfig::fromEnvironment());
    m_property = new CPageProperty(
        m_app.camera(), [this](int id) { return text(id); }, [this] { return m_app.dualScreen(); },
        this);
    m_property->hide();
    if (m_devices) {
        m_firmware = new CBIOSUpdateDlg(*this, *m_devices, m_clock, this);
        m_firmware->hide();
    }
}

void CQuilletDlg::createViewer() {
    m_viewer = std::make_unique<app::PictureViewer>(*m_surface);
    m_viewer->setWorkArea(size());
    m_viewer->setTargetRect(m_surface->geometry());
    setViewerFrame(m_viewRect);
    qApp->installEventFilter(this);
}

void CQuilletDlg::showOverlay(bool show) {
    if (m_overlay) m_overlay->setVisible(show);
}

void CQuilletDlg::raiseOverlay() {
    if (m_overlay) m_overlay->BringToFront();
}

void CQuilletDlg::showPanel(bool show) {
    if (m_overlay) m_overlay->showPanel(show);
}

void CQuilletDlg::relayoutOverlay() {
    if (!m_overlay) return;
    m_overlay->FitWorkArea();
    m_overlay->panel()->ComputeStep();
    m_overlay->panel()->MoveToStart();
    m_overlay->setPenWidth(std::min(width(), height()) / 200);
    m_overlay->panel()->Relayout();
}

void CQuilletDlg::shutDownOverlay() {
    if (!m_overlay) return;
    qApp->removeEventFilter(this);
    m_overlay->ShutDown();
    delete m_overlay;
    m_overlay = nullptr;
}

void CQuilletDlg::showBackButton(bool show) {
    if (m_overlay) m_overlay->showBackToVideoButton(show);
}

void CQuilletDlg::showCalibrationButton(bool show) {
    if (m_overlay) m_overlay->showCalibrationButton(show);
}

void CQuilletDlg::placeCornerButton() {
    if (m_overlay) m_overlay->PlaceCornerButton();
}

bool CQuilletDlg::drawingMode() const {
    return m_overlay && m_overlay->drawingMode();
}

void CQuilletDlg::clearStrokes() {
    if (m_overlay) m_overlay->ClearStrokes();
}

void CQuilletDlg::drawingOff() {
    if (m_overlay) m_overlay->DrawingOff();
}

void CQuilletDlg::setViewerFrame(const DisplayRect& r) {
    if (m_viewer) m_viewer->setFrame(r.x, r.y, r.width, r.height);
}

void CQuilletDlg::loadPicture(const QString& path) {
    if (m_viewer) m_viewer->load(path);
}

void CQuilletDlg::zoomViewer(double step, QPointF point) {
    if (m_viewer) m_viewer->zoomByFactor(step, point.toPoint());
}

std::vector<int> CQuilletDlg::pictureNumbers() const {
    return m_picList ? m_picList->pictureNumbers() : std::vector<int>{};
}

int CQuilletDlg::currentPicture() const {
    return m_picList ? m_picList->currentPicture() : -1;
}

void CQuilletDlg::setCurrentPicture(int pictureId) {
    if (m_picList) m_picList->setCurrentPicture(pictureId);
}

void CQuilletDlg::postPictureAdded(int pictureId) {
    if (m_picList) platform::postMessage(m_picList, msg::kPictureAdded, pictureId, 0);
}

void CQuilletDlg::hidePictureList() {
    if (m_picList) m_picList->hide();
}

void CQuilletDlg::exportAllPictures() {
    if (!m_picList) return;
    m_picList->SetAllChecks(true);
    m_picList->OnExport();
}

void CQuilletDlg::handOff(int pictureId) {
    if (m_picList) m_picList->HandOffPicture(pictureId);
}

void CQuilletDlg::hideQrView() {
    if (m_qrView) m_qrView->hide();
}

void CQuilletDlg::startShare() {
    if (m_share) m_share->start();
}

bool CQuilletDlg::promptShown() const {
    return m_overlay && m_overlay->panel()->prompt()->isShown();
}

void CQuilletDlg::showPrompt() {
    if (m_overlay) m_overlay->panel()->prompt()->ShowPrompt();
}

void CQuilletDlg::showPropertyPage() {
    if (!m_property) return;
    m_property->show();
    m_property->raise();
}

void CQuilletDlg::hidePropertyPage() {
    if (m_property) m_property->hide();
}

void CQuilletDlg::showFirmwareDialog() {
    if (m_firmware) m_firmware->ShowForUpgrade();
}

void CQuilletDlg::showAboutDialog() {
    if (m_about == nullptr) {
        const PixmapSource pixmaps = [](int id, QSize size) { return art::pixmap(id, size); };
        m_about = new CAboutDlg(*this, pixmaps, this);
    }
    if (!m_about->isOpen()) m_about->exec();
}

bool CQuilletDlg::sharingEnabled() const {
    return cloud::sharingEnabled();
}

bool CQuilletDlg::hasPictures() const {
    return !pictureNumbers().empty();
}

void CQuilletDlg::clearPictures() {
    if (m_picList) m_picList->clear();
}

void CQuilletDlg::showPictureList() {
    if (!m_picList) return;
    const QPoint at = panel::pictureListPosition(m_viewRect, m_picList->size());
    m_picList->move(at);
    m_picList->SetAllChecks(false);
    m_picList->show();
    m_picList->raise();
}

// The picture viewer follows the pointer while no pen draws (drag, wheel zoom).
bool CQuilletDlg::viewerInput(QEvent* e) {
    if (!m_viewer || drawingMode() || !m_pictureShown) return false;
    switch (e->type()) {
        case QEvent::MouseButtonPress: {
            const auto* m = static_cast<QMouseEvent*>(e);
            if (m->button() == Qt::LeftButton) m_viewer->dragStart(m->globalPosition().toPoint());
            break;
        }
        case QEvent::MouseMove: {
            const auto* m = static_cast<QMouseEvent*>(e);
            const QPoint at = m->globalPosition().toPoint();
            if (!geometry().contains(at)) {
                if (m_overlay) m_overlay->clearStrokeInProgress();
                m_viewer->dragEnd();
            } else if (m->buttons() & Qt::LeftButton) {
                m_viewer->dragMove(at);
            }
            break;
        }
        case QEvent::MouseButtonRelease: m_viewer->dragEnd(); break;
        case QEvent::Wheel: {
            const auto* w = static_cast<QWheelEvent*>(e);
            m_viewer->zoomByWheelStep(w->angleDelta().y(), w->globalPosition().toPoint());
            return true;
        }
        default: break;
    }
    return false;
}

// Hosts of the children.

int CQuilletDlg::ShowMessage(const QString& t, const QString& caption, unsigned type) {
    return m_app.ShowMessage(t, caption, type);
}

void CQuilletDlg::ShowMessageOnce(int textId) {
    showBoxOnce(textId);
}

const camera::PictureStore& CQuilletDlg::pictureStore() const {
    return m_app.camera().store();
}

void CQuilletDlg::clearPenStrokesIfDrawing() {
    if (drawingMode()) clearStrokes();
}

bool CQuilletDlg::whiteboardRunning() const {
    return CQuilletApp::WhiteboardRunning();
}

void CQuilletDlg::ReadBoardInstallPath() {
    m_app.ReadBoardInstallPath();
}

void CQuilletDlg::RunBoardRelay(const QString& parameters) {
    m_app.RunBoardRelay(parameters);
}

bool CQuilletDlg::boardLinked() const {
    return m_app.boardLinkFlag() != 0;
}

void CQuilletDlg::setBoardLinked(bool linked) {
    m_app.setBoardLinkFlag(linked ? 1 : 0);
}

QSize CQuilletDlg::screenSize() const {
    const QScreen* s = QGuiApplication::primaryScreen();
    return s ? s->size() * s->devicePixelRatio() : QSize(1920, 1080);
}

double CQuilletDlg::screenDpi() const {
    const QScreen* s = QGuiApplication::primaryScreen();
    return s ? s->logicalDotsPerInch() * s->devicePixelRatio() : 96.0;
}

bool CQuilletDlg::exportPdf(QString* folder, QString* fileName) {
    if (!m_picList) return false;
    QString f, n;
    const bool ok = m_picList->ExportPdf(f, n);
    *folder = f;
    *fileName = n;
    return ok;
}

void CQuilletDlg::showMessage(const QString& t, const QString& caption) {
    m_app.ShowMessage(t, caption, kMbSystemModal | kMbOk);
}

int CQuilletDlg::showMessage(const QString& t, const QString& caption, unsigned type) {
    return m_app.ShowMessage(t, caption, type);
}

cloud::QrViewPort& CQuilletDlg::qrView() {
    return *m_qrView;
}

QString CQuilletDlg::storeFolder() const {
    return m_app.camera().store().storeFolder();
}

QString CQuilletDlg::programFolder() const {
    return m_app.programFolder();
}

void CQuilletDlg::closeProgram() {
    if (m_tray) m_tray->remove();
    ShutDownDialog();
}
