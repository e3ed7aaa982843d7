#pragma once
// What the shell's rules ask of the main window: its widgets and child windows. The main window
// implements it; the rules' tests record it.
#include "shell/TrayMenuModel.h"

#include <vector>

namespace shell {

// The waits the rules ask the window to time; the end of each comes back as onWaitOver.
enum class Wait { TrayClick, TrayGrace, CameraAdmission };

class ShellView {
public:
    virtual ~ShellView() = default;

    // The window over the work area, raised and active; or hidden.
    virtual void showWindow() = 0;
    virtual void hideWindow() = 0;
    virtual void repaint() = 0;
    // The overlay above the pictures, its toolbar panel and its buttons.
    virtual void showOverlay(bool show) = 0;
    virtual void raiseOverlay() = 0;
    virtual void showPanel(bool show) = 0;
    virtual void showCalibrationButton(bool show) = 0;
    // The toolbar panel opened, as a double click on its handle does.
    virtual void openToolbar() = 0;
    virtual bool drawingMode() const = 0;
    virtual void clearStrokes() = 0;
    virtual void drawingOff() = 0;
    // The stored-picture layer: the picture surface and the overlay's back-to-video button.
    virtual void showPictureLayer(bool show) = 0;
    // Loads a stored picture into the viewer; frameToView first resets the viewer's frame.
    virtual void loadPicture(int pictureId, bool frameToView) = 0;
    // Zooms the stored picture around the view's centre and brings its layer up.
    virtual void zoomPicture(double step) = 0;

    // The picture list.
    virtual std::vector<int> pictureNumbers() const = 0;
    virtual int currentPicture() const = 0;
    virtual void setCurrentPicture(int pictureId) = 0;
    virtual void postPictureAdded(int pictureId) = 0;
    virtual void hidePictureList() = 0;
    virtual void exportAllPictures() = 0;
    virtual void handOff(int pictureId) = 0;
    // The share's QR code view and the clear-all prompt.
    virtual void hideQrView() = 0;
    virtual void startShare() = 0;
    virtual bool promptShown() const = 0;
    virtual void showPrompt() = 0;
    // Dialogs of the tray commands.
    virtual void showPropertyPage(bool show) = 0;
    virtual void showFirmwareDialog() = 0;
    virtual void showAboutDialog() = 0;
    // The tray icon and its menu.
    virtual void showTrayMenu(const tray::MenuState& state) = 0;
    virtual void updateTrayIcon(int state) = 0;
    virtual void removeTrayIcon() = 0;
    // A small button above every window that brings the view back, for a desktop without a tray.
    virtual void showRestoreButton(bool show) = 0;
    virtual void startWait(Wait wait) = 0;
    // A message box by text id (caption and button texts from the pack); the button chosen.
    virtual int message(int textId, unsigned type) = 0;

    // The screen changed: window, picture surface and viewer frame to the new work area.
    virtual void fitWorkArea() = 0;
    // The toolbar panel's step, place and layout, and the pen width, for the new work area.
    virtual void relayoutOverlay() = 0;
    virtual void placeCornerButton() = 0;
    // Closes the overlay and the boards in order and ends the window's event loop.
    virtual void shutDownDialog() = 0;
};

}  // namespace shell
