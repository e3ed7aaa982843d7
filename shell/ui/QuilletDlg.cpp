#include "QuilletDlg.h"

#include "app/QuilletApp.h"
#include "art/Artwork.h"
#include "art/ResourceIds.h"
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
#include "platform/Log.h"
#include "platform/Message.h"
#include "platform/MessageBoxTypes.h"
#include "platform/MessageIds.h"
#include "platform/Mirror.h"
#include "platform/ui/Stacking.h"
#include "shell/KeyTable.h"
#include "shell/PanelLayout.h"
#include "shell/ui/AboutDlg.h"
#include "shell/ui/ChildHosts.h"
#include "shell/ui/MoveDlg.h"
#include "shell/ui/Prompt.h"
#include "shell/ui/ScreenWatch.h"
#include "shell/ui/TopDlg.h"
#include "shell/ui/TrayIcon.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QStyleHints>

using camera::DisplayRect;
using namespace platform;

namespace {

constexpr int kVideoWindow0 = 1000;
constexpr int kVideoWindow1 = 1001;

PixmapSource artwork() {
    return [](int id, QSize size) { return art::pixmap(id, size); };
}

}  // namespace

CQuilletDlg::CQuilletDlg(CQuilletApp& app, Services services)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::Tool),
      m_app(app),
      m_services(std::move(services)),
      m_clock(m_services.clock != nullptr ? *m_services.clock : SystemClock::instance()),
      m_world(app, m_services.sendKey),
      m_shell(*this, m_world, m_clock),
      m_hosts(std::make_unique<shell::ChildHosts>(app, *this)) {
    setObjectName("102");
    setWindowTitle(text(text::kAppName));
    m_tray = new shell::TrayPart(*this, {[this](int id) { return text(id); }, m_services.icon,
                                         [this] { return m_shell.menuState(); },
                                         [this](int command) { runCommand(command); },
                                         [this] { m_shell.onRestore(); }});
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::black);
    setPalette(p);
    for (int i = 0; i < 2; ++i) {
        m_video[i] = new camera::CVideoWindow(this);
        m_video[i]->setObjectName(QString::number(i == 0 ? kVideoWindow0 : kVideoWindow1));
    }
    m_video[1]->hide();
    m_pictures = std::make_unique<shell::PictureLayer>(*this);
    m_app.registerMainDialog(this, [this] { return state().viewShown; });
}

CQuilletDlg::~CQuilletDlg() {
    if (!m_shutDown) shutDownDialog();
    m_app.unregisterMainDialog(this);
}

QString CQuilletDlg::text(int id) const {
    return m_app.SetText(id);
}

QRect CQuilletDlg::workArea() const {
    return m_app.workArea();
}

DisplayRect CQuilletDlg::viewRect() const {
    return const_cast<shell::ProgramWorld&>(m_world).layout().viewRect();
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

bool CQuilletDlg::sharingEnabled() const {
    return m_world.sharingEnabled();
}

int CQuilletDlg::message(int textId, unsigned type) {
    return m_app.ShowMessage(text(textId), text(text::kCaption), type);
}

void CQuilletDlg::showNotice(int textId) {
    if (m_tray->icon() != nullptr && m_tray->icon()->notice(text(textId))) return;
    if (m_noticeBox) m_noticeBox->close();
    auto* box = new QMessageBox(QMessageBox::Information, text(text::kCaption), text(textId),
                                QMessageBox::Ok);
    box->button(QMessageBox::Ok)->setText(text(text::kOk));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowFlag(Qt::WindowStaysOnTopHint);
    box->setWindowModality(Qt::NonModal);
    box->show();
    m_noticeBox = box;
}

// ---------------------------------------------------------------------------------------------
// Start-up and the end

bool CQuilletDlg::OnInitDialog() {
    if (m_services.icon) setWindowIcon(m_services.icon(res::kProgramIcon));
    fitWorkArea();
    if (cameraCount() < 1) return true;
    // Each of these steps may ask a question, which the end of the session answers.
    const auto ending = [this] { return m_services.ending && m_services.ending(); };
    m_world.layout().open(m_video[0], m_video[1]);
    if (ending()) return false;
    m_shell.start(m_app.startArgument() == QLatin1String("-Start"), m_services.trayAvailable);
    if (ending()) return false;
    m_pictures->show(false);
    startBoards();
    if (ending()) return false;
    createOverlay();
    if (m_services.trayAvailable) m_tray->add(boardCount());
    createViewer();
    if (state().viewShown) {
        show();
        m_shell.changeToCapture();
    }
    // Once the window runs: pictures of a lesson that did not end in order are back in the list.
    QTimer::singleShot(0, this, [this] {
        if (m_picList) m_picList->tellKeptPictures();
    });
    new ScreenWatch([this] { onDisplayChange(); }, this);
    if (m_services.trayProbe)
        m_tray->startProbe(m_services.trayProbe, [this](bool present) { onTrayProbed(present); },
                           kTrayProbeMs);
    return true;
}

void CQuilletDlg::onDisplayChange() {
    const QRect area = workArea();
    qCInfo(platform::log::shell) << "work area now" << area;
    m_shell.onDisplayChange();
    m_tray->placeRestore(area);
}

void CQuilletDlg::probeTray() {
    onTrayProbed(m_services.trayProbe && m_services.trayProbe());
}

void CQuilletDlg::onTrayProbed(bool present) {
    if (present == state().trayPresent) return;
    qCInfo(platform::log::shell) << (present ? "a tray appeared" : "the tray went away");
    if (present) {
        m_services.trayAvailable = true;
        m_tray->reshow(boardCount());
    }
    m_shell.onTrayPresence(present);
}

void CQuilletDlg::startBoards() {
    if (!m_services.hid.transport) return;
    platform::Clock& clock = m_services.boardClock != nullptr ? *m_services.boardClock : m_clock;
    m_devices = std::make_unique<DeviceManager>(this, *m_services.hid.transport, clock);
    m_world.setDevices(m_devices.get());
    m_devices->EnumDevices();
    m_devices->StartReadingThread();
    if (m_services.hid.monitor && !m_services.hid.monitor->start(this))
        m_app.ShowMessage("RegisterDeviceNotification failed", text(text::kCaption), kMbOk);
}

int CQuilletDlg::boardCount() const {
    return m_devices ? m_devices->GetDeviceCount() : 0;
}

void CQuilletDlg::OnQueryEndSession() {
    shutDownDialog();
}

void CQuilletDlg::shutDownDialog() {
    if (m_shutDown) return;
    m_shutDown = true;
    m_shell.markShutDown();
    // Boards, captures and cameras before any window: with the display server gone, the first
    // window torn down may be the last thing this process does.
    if (m_devices) {
        m_world.setDevices(nullptr);
        m_devices->Shutdown();
        m_devices.reset();
    }
    // Captures and streams draw into this window: they end before it goes.
    m_app.camera().waitForCaptures();
    m_app.camera().CloseCameras();
    m_tray->stop();
    shutDownOverlay();
    hide();
    QCoreApplication::exit(0);
}

// ---------------------------------------------------------------------------------------------
// Messages and input

bool CQuilletDlg::event(QEvent* e) {
    if (const Message* m = asMessage(e); m != nullptr && m_shell.onMessage(*m)) return true;
    const bool handled = QWidget::event(e);
    if (e->type() == QEvent::Resize || e->type() == QEvent::Move) followGrantedGeometry();
    return handled;
}

bool CQuilletDlg::eventFilter(QObject* watched, QEvent* e) {
    // Messages from other threads pass here before their receiver: take them over first.
    if (asMessage(e) != nullptr) return QWidget::eventFilter(watched, e);
    if (watched->isWidgetType() && static_cast<QWidget*>(watched)->window() == this &&
        (keyboardInput(e) || viewerInput(e)))
        return true;
    return QWidget::eventFilter(watched, e);
}

// The keyboard works as a second board wherever the focus is in this window; a held key counts once.
bool CQuilletDlg::keyboardInput(QEvent* e) {
    if (e->type() != QEvent::KeyPress) return false;
    const auto* k = static_cast<QKeyEvent*>(e);
    if (k->isAutoRepeat()) return shell::keyTypeOfKey(k->key()) != 0;
    return m_shell.onKeyboard(k->key());
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

// The picture viewer follows the pointer while no pen draws (drag, wheel zoom).
bool CQuilletDlg::viewerInput(QEvent* e) {
    if (drawingMode() || !state().pictureShown) return false;
    return m_pictures->input(e, geometry(), [this] {
        if (m_overlay) m_overlay->clearStrokeInProgress();
    });
}

// ---------------------------------------------------------------------------------------------
// The window and its layers

// The window covers the work area where it lies: a panel at the top or left pushes its origin.
// Full-screen, the compositor places it; a geometry set on a full-screen window would end that.
void CQuilletDlg::placeWindow() {
    const bool fullScreen = m_app.placement().fullScreen();
    if (fullScreen && (windowState() & Qt::WindowFullScreen)) return;
    setGeometry(workArea());
    if (fullScreen) setWindowState(windowState() | Qt::WindowFullScreen);
}

void CQuilletDlg::fitWorkArea() {
    placeWindow();
    m_pictures->fit(geometry(), viewRect());
}

// What the compositor gave the full-screen window is what the view is laid out for.
void CQuilletDlg::followGrantedGeometry() {
    if (m_shutDown || !isVisible() || !(windowState() & Qt::WindowFullScreen)) return;
    if (!m_app.placement().grant(geometry())) return;
    qCInfo(platform::log::shell) << "window given" << geometry();
    onDisplayChange();
}

void CQuilletDlg::showWindow() {
    fitWorkArea();
    show();
    raise();
    activateWindow();
}

QWidget* CQuilletDlg::pictureSurface() const {
    return m_pictures->surface();
}

app::PictureViewer* CQuilletDlg::viewer() const {
    return m_pictures->viewer();
}

void CQuilletDlg::showPictureLayer(bool show) {
    m_pictures->show(show);
    if (m_overlay) m_overlay->showBackToVideoButton(show);
}

void CQuilletDlg::createViewer() {
    placeWindow();
    m_pictures->start(geometry(), viewRect());
    qApp->installEventFilter(this);
}

void CQuilletDlg::loadPicture(int pictureId, bool frameToView) {
    QString picture, thumbnail;
    m_app.camera().PictureExists(pictureId, &picture, &thumbnail);
    const DisplayRect view = viewRect();
    m_pictures->load(picture, frameToView ? &view : nullptr);
}

void CQuilletDlg::zoomPicture(double step) {
    m_pictures->zoom(step, viewRect());
    m_video[0]->hide();
    if (m_overlay) m_overlay->showBackToVideoButton(true);
}

// ---------------------------------------------------------------------------------------------
// The overlay and its panel

void CQuilletDlg::createOverlay() {
    m_overlay = new TopDlg(*this, artwork(), this, m_clock);
    m_overlay->show();
    m_overlay->setPenWidth(std::min(width(), height()) / 200);
    createChildDialogs();
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

void CQuilletDlg::showCalibrationButton(bool show) {
    if (m_overlay) m_overlay->showCalibrationButton(show);
}

void CQuilletDlg::openToolbar() {
    if (m_overlay) m_overlay->panel()->Open();
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

void CQuilletDlg::relayoutOverlay() {
    if (!m_overlay) return;
    m_overlay->FitWorkArea();
    m_overlay->panel()->ComputeStep();
    m_overlay->panel()->MoveToStart();
    m_overlay->setPenWidth(std::min(width(), height()) / 200);
    m_overlay->panel()->Relayout();
}

void CQuilletDlg::placeCornerButton() {
    if (m_overlay) m_overlay->PlaceCornerButton();
}

bool CQuilletDlg::promptShown() const {
    return m_overlay && m_overlay->panel()->prompt()->isShown();
}

void CQuilletDlg::showPrompt() {
    if (m_overlay) m_overlay->panel()->prompt()->ShowPrompt();
}

void CQuilletDlg::shutDownOverlay() {
    if (!m_overlay) return;
    qApp->removeEventFilter(this);
    m_overlay->ShutDown();
    delete m_overlay;
    m_overlay = nullptr;
}

// ---------------------------------------------------------------------------------------------
// Child windows

void CQuilletDlg::createChildDialogs() {
    // Top-level windows of their own; they go with the main window.
    m_picList = new CPicListView(*m_hosts, this);
    // A dialog of the main window rather than a window of its own: transient for it, so window
    // managers keep it above the main window, and without a taskbar entry of its own that
    // could minimise the whole group.
    m_picList->setWindowFlags((m_picList->windowFlags() & ~Qt::WindowType_Mask) | Qt::Dialog);
    m_qrView = new cloud::QRCodeView(this);
    m_qrView->hide();
    const QString admin = QString::fromLatin1(cloud::kAdminSettingsFile);
    m_share = std::make_unique<cloud::ShareController>(
        *m_hosts, cloud::CloudConfig::fromEnvironment(), cloud::readShareMode(admin),
        cloud::readRoomSettings(admin));
    m_property = new CPageProperty(
        m_app.camera(), [this](int id) { return text(id); }, [this] { return m_app.dualScreen(); },
        this);
    m_property->hide();
    if (m_devices) {
        m_firmware = new CBIOSUpdateDlg(*m_hosts, *m_devices, m_clock, this);
        m_firmware->hide();
    }
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
    // The exit's export runs after one the teacher started, and the program ends only once it
    // is over and its outcome told.
    m_picList->waitForExport();
    m_picList->SetAllChecks(true);
    m_picList->OnExport();
    m_picList->waitForExport();
}

void CQuilletDlg::handOff(int pictureId) {
    if (m_picList) m_picList->HandOffPicture(pictureId);
}

void CQuilletDlg::clearPictures() {
    if (m_picList) m_picList->clear();
}

void CQuilletDlg::showPictureList() {
    if (!m_picList) return;
    // The view's place is the window's; the list is a window of its own.
    // Right-to-left it stands at the mirrored place: the left of the view.
    const QRect at = platform::placed(
        QRect(panel::pictureListPosition(viewRect(), m_picList->size()), m_picList->size()),
        workArea().width(), isRightToLeft());
    m_picList->move(workArea().topLeft() + at.topLeft());
    m_picList->SetAllChecks(false);
    platform::showAbove(*this, *m_picList);
}

void CQuilletDlg::hideQrView() {
    if (m_qrView) m_qrView->hide();
}

void CQuilletDlg::startShare() {
    if (m_share) m_share->start();
}

void CQuilletDlg::showPropertyPage(bool show) {
    if (!m_property) return;
    // Opened from the tray or a menu: the page takes the focus, so that Esc reaches it.
    if (show)
        platform::showAbove(*this, *m_property);
    else
        m_property->hide();
}

void CQuilletDlg::showFirmwareDialog() {
    if (m_firmware) m_firmware->ShowForUpgrade();
}

void CQuilletDlg::showAboutDialog() {
    if (m_about == nullptr) m_about = new CAboutDlg(*this, artwork(), this);
    if (!m_about->isOpen()) m_about->exec();
}

// ---------------------------------------------------------------------------------------------
// Tray

void CQuilletDlg::showTrayMenu(const tray::MenuState& state) {
    m_tray->popUp(state, QCursor::pos());
}

void CQuilletDlg::showTrayMenuAt(QPoint globalPos) {
    m_tray->popUp(m_shell.menuState(), globalPos);
}

void CQuilletDlg::updateTrayIcon(int state) {
    m_tray->update(state);
}

void CQuilletDlg::removeTrayIcon() {
    m_tray->remove();
}

void CQuilletDlg::showRestoreButton(bool show) {
    m_tray->showRestore(show, workArea());
}

void CQuilletDlg::startWait(shell::Wait wait) {
    int ms = shell::ShellController::kTrayGraceMs;
    if (wait == shell::Wait::TrayClick)
        ms = QGuiApplication::styleHints()->mouseDoubleClickInterval();
    if (wait == shell::Wait::CameraAdmission) ms = shell::ShellController::kAdmissionRetryMs;
    QTimer::singleShot(ms, this, [this, wait] { m_shell.onWaitOver(wait); });
}
