#pragma once
// The main window: the full work area, black, with the live picture of a camera or a stored
// picture; the tray icon. It owns the widgets and the child windows and does what the shell's
// rules ask; the rules themselves (keys, tray, captures, devices) are the controller's.
#include "platform/hid/HidBackend.h"
#include "shell/ProgramWorld.h"
#include "shell/ShellController.h"
#include "shell/ShellHost.h"
#include "shell/ShellView.h"
#include "shell/ui/PictureLayer.h"
#include "shell/ui/TrayPart.h"

#include <QIcon>
#include <QMenu>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>

class CAboutDlg;
class CBIOSUpdateDlg;
class CPageProperty;
class CPicListView;
class CQuilletApp;
class DeviceManager;
class RestoreButton;
class TopDlg;
class TrayIcon;
namespace app {
class PictureSurface;
class PictureViewer;
}  // namespace app
namespace cloud {
class QRCodeView;
class ShareController;
}  // namespace cloud
namespace camera {
class CVideoWindow;
}
namespace platform {
class Clock;
}
namespace shell {
class ChildHosts;
}

class CQuilletDlg : public QWidget, public ShellHost, public shell::ShellView {
public:
    // What the dialog is built with; the program gives the real ones, tests their own.
    struct Services {
        platform::hid::HidBackend hid;
        platform::Clock* clock = nullptr;       // the window's own waits (the repeat filter)
        platform::Clock* boardClock = nullptr;  // the boards' pauses; the window's clock if null
        std::function<QIcon(int)> icon;         // resources by id
        // Sends the key of a board key type (2 to 5) to the program in front; empty sends none.
        std::function<void(int keyType)> sendKey;
        bool trayAvailable = true;
        // Asked now and then whether a tray exists (a panel started late, or restarted); none
        // means the answer at start holds for the run.
        std::function<bool()> trayProbe;
        // Whether the session ended while start-up was still under way (a signal during a
        // question): start-up stops at its next step instead of carrying on half-way.
        std::function<bool()> ending;
    };

    CQuilletDlg(CQuilletApp& app, Services services);
    ~CQuilletDlg() override;

    // The start-up of the window, in order. False when the session ended on the way.
    bool OnInitDialog();
    // The session ends (log-off, a signal): close everything as at exit, without asking.
    void OnQueryEndSession();

    // Tells the teacher something that needs no answer: a tray balloon, or where no tray can show
    // one, a box that does not hold up the program.
    void showNotice(int textId);
    QWidget* noticeBox() const { return m_noticeBox; }

    shell::ShellController& shell() { return m_shell; }
    const shell::ShellState& state() const { return m_shell.state(); }

    // ShellHost.
    QString text(int id) const override;
    bool viewShown() const override { return state().viewShown; }
    bool pictureShown() const override { return state().pictureShown; }
    bool calibrationMode() const override { return state().calibration; }
    bool captureBusy() const override { return state().captureBusy; }
    camera::DisplayRect viewRect() const override;
    QRect workArea() const override;
    int cameraCount() const override;
    void ShowView(bool show) override { m_shell.showView(show); }
    void ChangeToCapture() override { m_shell.changeToCapture(); }
    void runCommand(int id) override { m_shell.runCommand(id); }
    bool takePicture(int tag) override { return m_shell.takePicture(tag); }
    void share() override { m_shell.share(); }
    bool sharingEnabled() const override;
    bool hasPictures() const override { return !pictureNumbers().empty(); }
    void clearPictures() override;
    void showPictureList() override;
    void showTrayMenuAt(QPoint globalPos) override;
    QString deviceVersion(int index) const override;
    QString commonAppDataFolder() const override;

    // shell::ShellView.
    void showWindow() override;
    void hideWindow() override { hide(); }
    void repaint() override { update(); }
    void showOverlay(bool show) override;
    void raiseOverlay() override;
    void showPanel(bool show) override;
    void showCalibrationButton(bool show) override;
    void openToolbar() override;
    bool drawingMode() const override;
    void clearStrokes() override;
    void drawingOff() override;
    void showPictureLayer(bool show) override;
    void loadPicture(int pictureId, bool frameToView) override;
    void zoomPicture(double step) override;
    std::vector<int> pictureNumbers() const override;
    int currentPicture() const override;
    void setCurrentPicture(int pictureId) override;
    void postPictureAdded(int pictureId) override;
    void hidePictureList() override;
    void exportAllPictures() override;
    void handOff(int pictureId) override;
    void hideQrView() override;
    void startShare() override;
    bool promptShown() const override;
    void showPrompt() override;
    void showPropertyPage(bool show) override;
    void showFirmwareDialog() override;
    void showAboutDialog() override;
    void showTrayMenu(const tray::MenuState& state) override;
    void updateTrayIcon(int state) override;
    void removeTrayIcon() override;
    void showRestoreButton(bool show) override;
    void startWait(shell::Wait wait) override;
    int message(int textId, unsigned type) override;
    void fitWorkArea() override;
    void relayoutOverlay() override;
    void placeCornerButton() override;
    void shutDownDialog() override;

    // The children, for the window's hosts and tests.
    TopDlg* overlay() const { return m_overlay; }
    CPicListView* pictureList() const { return m_picList; }
    CPageProperty* propertyPage() const { return m_property; }
    CBIOSUpdateDlg* firmwareDialog() const { return m_firmware; }
    cloud::QRCodeView* qrCodeView() const { return m_qrView; }
    app::PictureViewer* viewer() const;
    DeviceManager* devices() const { return m_devices.get(); }
    TrayIcon* tray() const { return m_tray->icon(); }
    camera::CVideoWindow* videoWindow(int i) const { return m_video[i]; }
    QWidget* pictureSurface() const;
    // The menu last shown (kept until the next one), for tests.
    QMenu* lastMenu() const { return m_tray->lastMenu(); }
    QMenu* trayMenu() const { return m_tray->trayMenu(); }
    RestoreButton* restoreButton() const { return m_tray->restoreButton(); }
    // The tray's presence asked again (the probe's timer does this every kTrayProbeMs).
    void probeTray();

    static constexpr int kTrayProbeMs = 2000;

protected:
    bool event(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    void onTrayProbed(bool present);
    int boardCount() const;
    void onDisplayChange();
    void placeWindow();
    void followGrantedGeometry();
    void startBoards();
    void createOverlay();
    void createChildDialogs();
    void createViewer();
    void shutDownOverlay();
    bool viewerInput(QEvent* e);
    bool keyboardInput(QEvent* e);

    CQuilletApp& m_app;
    Services m_services;
    platform::Clock& m_clock;
    shell::ProgramWorld m_world;
    shell::ShellController m_shell;
    std::unique_ptr<shell::ChildHosts> m_hosts;

    camera::CVideoWindow* m_video[2] = {nullptr, nullptr};
    std::unique_ptr<shell::PictureLayer> m_pictures;
    TopDlg* m_overlay = nullptr;
    CPicListView* m_picList = nullptr;
    cloud::QRCodeView* m_qrView = nullptr;
    CPageProperty* m_property = nullptr;
    CBIOSUpdateDlg* m_firmware = nullptr;
    CAboutDlg* m_about = nullptr;
    std::unique_ptr<cloud::ShareController> m_share;
    std::unique_ptr<DeviceManager> m_devices;
    shell::TrayPart* m_tray = nullptr;
    QPointer<QWidget> m_noticeBox;
    bool m_shutDown = false;
};
