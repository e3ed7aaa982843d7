#pragma once
// What the picture list and the whiteboard hand-off need of the rest of the program. The main
// dialog and the application object implement it; tests give a recorder.
#include "camera/PictureStore.h"

#include <QSize>
#include <QString>

class QObject;

namespace pictures {

class PicListHost {
public:
    virtual ~PicListHost() = default;

    // Texts by string id, from the language pack of the run.
    virtual QString text(int id) const = 0;
    // A box without owner, buttons relabelled from the pack; returns platform::kIdOk or kIdCancel.
    virtual int ShowMessage(const QString& text, const QString& caption, unsigned type) = 0;
    // The system-modal OK box with the text of textId, unless a box guarded by the program's one
    // flag for such boxes is already open (that flag is cleared while this one is shown).
    virtual void ShowMessageOnce(int textId) = 0;

    // The picture store of the run: folders and file names of every picture.
    virtual const camera::PictureStore& pictureStore() const = 0;

    // The main dialog: receiver of msg::kShowPicture.
    virtual QObject* mainWindow() const = 0;
    // Whether it shows a stored picture (not the live video).
    virtual bool pictureShown() const = 0;
    // Back from the stored picture to the live video.
    virtual void ChangeToCapture() = 0;
    // Shows or hides the view with the overlay, list, QR view and toolbar panel.
    virtual void ShowView(bool show) = 0;
    // Clears the overlay's pen strokes and repaints it, when its drawing mode is on.
    virtual void clearPenStrokesIfDrawing() = 0;

    // The whiteboard program: whether it runs under either of its names, its install path and
    // the relay that hands it a command (returns when the relay has ended or was given up).
    virtual bool whiteboardRunning() const = 0;
    virtual void ReadBoardInstallPath() = 0;
    virtual void RunBoardRelay(const QString& parameters) = 0;
    // The link of the device to the whiteboard (the application's board link flag) and the
    // main dialog's flag that the user declined it.
    virtual bool boardLinked() const = 0;
    virtual void setBoardLinked(bool linked) = 0;
    virtual bool linkDeclined() const = 0;
    virtual void setLinkDeclined(bool declined) = 0;

    // The primary screen: its size in device pixels and its logical DPI (0 when unknown).
    virtual QSize screenSize() const = 0;
    virtual double screenDpi() const = 0;
};

}  // namespace pictures
