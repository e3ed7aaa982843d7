#pragma once
// The main window: the full work area, black, with the live picture of a camera or a stored
// picture; the tray icon; the board keys, tray commands, capture results and device changes that
// drive it. Above it lie the overlay with its pen and the toolbar panel.
#include "app/ShellHost.h"
#include "camera/DisplayRect.h"
#include "platform/hid/HidBackend.h"

#include <QIcon>
#include <QMenu>
#include <QPointer>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class CQuilletApp;
class DeviceManager;
class TrayIcon;
namespace camera {
class CVideoWindow;
}
namespace platform {
class Clock;
}

class CQuilletDlg : public QWidget, public ShellHost {
public:
    // What the dialog is built with; the program gives the real ones, tests their own.
    struct Services {
        platform::hid::HidBackend hid;
        platform::Clock* clock = nullptr;
        std::function<QIcon(int)> icon;  // resources by id
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

    // State for tests and the children.
    bool linkDeclined() const { return m_linkDeclined; }
    DeviceManager* devices() const { return m_devices.get(); }
    TrayIcon* tray() const { return m_tray.get(); }
    camera::CVideoWindow* videoWindow(int i) const { return m_video[i]; }
    QWidget* pictureSurface() const { return m_surface; }
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

    CQuilletApp& m_app;
    Services m_services;
    platform::Clock& m_clock;

    camera::CVideoWindow* m_video[2] = {nullptr, nullptr};
    QWidget* m_surface = nullptr;
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
