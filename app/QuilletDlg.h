#pragma once
// The main window: the full work area, black, with the live picture of a camera or a stored
// picture; the tray icon; the board keys, tray commands, capture results and device changes that
// drive it. Above it lie the overlay with its pen and the toolbar panel.
#include "app/ShellHost.h"
#include "camera/DisplayRect.h"
#include "cloud/ShareHost.h"
#include "firmware/FirmwareHost.h"
#include "pictures/PicListHost.h"
#include "platform/hid/HidBackend.h"

#include <QIcon>
#include <QMenu>
#include <QPointer>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class CAboutDlg;
class CBIOSUpdateDlg;
class CPageProperty;
class CPicListView;
class CQuilletApp;
class DeviceManager;
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

class CQuilletDlg : public QWidget,
                    public ShellHost,
                    public pictures::PicListHost,
                    public cloud::ShareHost,
                    public FirmwareHost {
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
    };

    CQuilletDlg(CQuilletApp& app, Services services);
    ~CQuilletDlg() override;

    // The start-up of the window, in order. Always true.
    bool OnInitDialog();

    void ShowView(bool show) override;
    void ChangeToCapture() override;
    void ShowPicture(int pictureId);
    camera::DisplayRect ComputeFitRect() const;
    camera::DisplayRect ComputeSideBySideRect() const;
    void AddTrayIcon();
    void UpdateTrayIcon(int state);
    // Closes the overlay and the boards in order and ends the window's event loop.
    void ShutDownDialog();
    // The session ends (log-off, a signal): close everything as at exit, without asking.
    void OnQueryEndSession();

    // Handlers of the window messages, also called directly by tests.
    void OnTrayCallback(unsigned iconId, unsigned mouse);
    void OnKey(int board, int keyType);
    void OnShowPicture(int pictureId);
    void OnPictureReady(int pictureId, int tag);
    bool OnDeviceChange(unsigned event, const QString& name);
    void OnDisplayChange();

    // ShellHost.
    QString text(int id) const override;
    bool viewShown() const override { return m_viewShown; }
    bool pictureShown() const override { return m_pictureShown; }
    bool calibrationMode() const override { return m_calibrationMode; }
    bool captureBusy() const override { return m_captureBusy; }
    camera::DisplayRect viewRect() const override { return m_viewRect; }
    QRect workArea() const override;
    int cameraCount() const override;
    void runCommand(int id) override;
    bool takePicture(int tag) override;
    void share() override;
    bool sharingEnabled() const override;
    bool hasPictures() const override;
    void clearPictures() override;
    void showPictureList() override;
    void showTrayMenuAt(QPoint globalPos) override;
    QString deviceVersion(int index) const override;
    QString commonAppDataFolder() const override;

    // PicListHost.
    int ShowMessage(const QString& text, const QString& caption, unsigned type) override;
    void ShowMessageOnce(int textId) override;
    const camera::PictureStore& pictureStore() const override;
    QObject* mainWindow() const override { return const_cast<CQuilletDlg*>(this); }
    void clearPenStrokesIfDrawing() override;
    bool whiteboardRunning() const override;
    void ReadBoardInstallPath() override;
    void RunBoardRelay(const QString& parameters) override;
    bool boardLinked() const override;
    void setBoardLinked(bool linked) override;
    bool linkDeclined() const override { return m_linkDeclined; }
    void setLinkDeclined(bool declined) override { m_linkDeclined = declined; }
    QSize screenSize() const override;
    double screenDpi() const override;

    // ShareHost (exportPdf runs on the share worker).
    bool exportPdf(QString* folder, QString* fileName) override;
    QObject* uiContext() override { return this; }
    void showMessage(const QString& text, const QString& caption) override;
    cloud::QrViewPort& qrView() override;
    QString storeFolder() const override;

    // FirmwareHost.
    int showMessage(const QString& text, const QString& caption, unsigned type) override;
    QString programFolder() const override;
    void closeProgram() override;

    // State for tests and the children.
    TopDlg* overlay() const { return m_overlay; }
    CPicListView* pictureList() const { return m_picList; }
    CPageProperty* propertyPage() const { return m_property; }
    CBIOSUpdateDlg* firmwareDialog() const { return m_firmware; }
    cloud::QRCodeView* qrCodeView() const { return m_qrView; }
    app::PictureViewer* viewer() const { return m_viewer.get(); }
    DeviceManager* devices() const { return m_devices.get(); }
    TrayIcon* tray() const { return m_tray.get(); }
    camera::CVideoWindow* videoWindow(int i) const { return m_video[i]; }
    QWidget* pictureSurface() const;
    // The menu last shown (kept until the next one), for tests.
    QMenu* lastMenu() const { return m_menu; }

protected:
    bool event(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    bool handleMessage(QEvent* e);
    void openCameras();
    void placeWindowAt(int listIndex, const camera::DisplayRect& rect);
    void placeAtPreviewOrView(int listIndex);
    void placeDual();
    void fillWorkArea();
    void makeViewVisible();
    void hideUiParts();
    void startBoards();
    void startLinkPrompt();
    bool askLink();
    void linkToWhiteboard();
    void showBoxOnce(int textId);
    void sendKeyToFront(int keyType);
    void nextPicture(int keyType);
    void zoomPicture(double step);
    void onCameraRemoved();
    void onCameraArrived();
    void onBoardRemoved(const QString& name);
    void onBoardArrived(const QString& name);

    void commandFirmware();
    void commandAdjust();
    void commandExit();
    void commandLink();
    void commandAbout();
    void commandCalibration();
    void enterCalibration();
    void leaveCalibration();
    void commandDualScreen();
    void commandSwap();
    void commandAutostart();

    int message(int textId, unsigned type);
    void endDialog();

    // The children: overlay and panel, picture viewer, picture list, share, dialogs.
    void createOverlay();
    void createViewer();
    void showOverlay(bool show);
    void raiseOverlay();
    void showPanel(bool show);
    void relayoutOverlay();
    void shutDownOverlay();
    void showBackButton(bool show);
    void showCalibrationButton(bool show);
    void placeCornerButton();
    bool drawingMode() const;
    void clearStrokes();
    void drawingOff();
    void setViewerFrame(const camera::DisplayRect& rect);
    void loadPicture(const QString& path);
    void zoomViewer(double step, QPointF point);
    std::vector<int> pictureNumbers() const;
    int currentPicture() const;
    void setCurrentPicture(int pictureId);
    void postPictureAdded(int pictureId);
    void hidePictureList();
    void exportAllPictures();
    void handOff(int pictureId);
    void hideQrView();
    void startShare();
    bool promptShown() const;
    void showPrompt();
    void showPropertyPage();
    void hidePropertyPage();
    void showFirmwareDialog();
    void showAboutDialog();
    void createChildDialogs();
    bool viewerInput(QEvent* e);

    CQuilletApp& m_app;
    Services m_services;
    platform::Clock& m_clock;

    camera::CVideoWindow* m_video[2] = {nullptr, nullptr};
    app::PictureSurface* m_surface = nullptr;
    std::unique_ptr<app::PictureViewer> m_viewer;
    TopDlg* m_overlay = nullptr;
    CPicListView* m_picList = nullptr;
    cloud::QRCodeView* m_qrView = nullptr;
    CPageProperty* m_property = nullptr;
    CBIOSUpdateDlg* m_firmware = nullptr;
    CAboutDlg* m_about = nullptr;
    std::unique_ptr<cloud::ShareController> m_share;
    std::unique_ptr<DeviceManager> m_devices;
    std::unique_ptr<TrayIcon> m_tray;
    QPointer<QMenu> m_menu;

    camera::DisplayRect m_viewRect;
    bool m_viewShown = true;
    bool m_pictureShown = false;
    bool m_calibrationMode = false;
    bool m_linkDeclined = false;
    bool m_captureBusy = false;
    int m_lastKeyType = 0;
    int64_t m_lastKeyTime = 0;
    // One box of 20040 / 20058 at a time.
    bool m_boxAllowed = true;
    bool m_calibrationPromptOpen = false;
    bool m_shutDown = false;
    bool m_initialised = false;
};
