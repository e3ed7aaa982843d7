#pragma once
// What the overlay, the toolbar panel and their small dialogs need of the main dialog. The main
// dialog implements it; tests give a recorder.
#include "camera/DisplayRect.h"

#include <QPoint>
#include <QRect>
#include <QString>

class ShellHost {
public:
    virtual ~ShellHost() = default;

    // Texts by string id, from the language pack of the run.
    virtual QString text(int id) const = 0;

    // State of the main dialog.
    virtual bool viewShown() const = 0;
    virtual bool pictureShown() const = 0;
    virtual bool calibrationMode() const = 0;
    virtual bool captureBusy() const = 0;
    // Default placement of one camera picture.
    virtual camera::DisplayRect viewRect() const = 0;
    // The primary screen's work area (left and top taken as 0).
    virtual QRect workArea() const = 0;
    virtual int cameraCount() const = 0;

    // Operations of the main dialog.
    virtual void ShowView(bool show) = 0;
    virtual void ChangeToCapture() = 0;
    // A tray command by id (10000..10006, 32776, 32777).
    virtual void runCommand(int id) = 0;
    // Sets capture busy and starts a capture with the tag; false when none could start.
    virtual bool takePicture(int tag) = 0;
    // The share of the pictures (the share key and the panel's share button).
    virtual void share() = 0;
    // Whether sharing exists in this build and is allowed on this machine.
    virtual bool sharingEnabled() const = 0;

    // Opens the tray menu at a screen position (the panel's handle does it where no tray exists).
    virtual void showTrayMenuAt(QPoint globalPos) = 0;

    // The picture list of the run.
    virtual bool hasPictures() const = 0;
    virtual void clearPictures() = 0;
    // Places the list at the right of the view, clears its check marks and shows it.
    virtual void showPictureList() = 0;

    // Camera versions for the About dialog: index 0 or 1.
    virtual QString deviceVersion(int index) const = 0;

    // The common application-data folder (usefile.ini goes below it).
    virtual QString commonAppDataFolder() const = 0;
};
