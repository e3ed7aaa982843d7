#pragma once
// What the controller reads of the application without owning it. The application implements it
// (or uses CameraHostState); tests give their own.
#include <QObject>
#include <QRect>

namespace camera {

class CameraHost {
public:
    virtual ~CameraHost() = default;
    virtual bool swapFlag() const = 0;
    virtual bool dualScreen() const = 0;
    // The main dialog's "view shown": its user interface and live view are up.
    virtual bool viewShown() const = 0;
    // Receives the picture-ready message; null sends nothing.
    virtual QObject* pictureReceiver() const = 0;
    // The primary screen's work area.
    virtual QRect workArea() const = 0;
};

// Plain fields for an owner that keeps the state in one place. Used on the user-interface thread.
class CameraHostState : public CameraHost {
public:
    bool swap = false;
    bool dual = false;
    bool shown = true;
    QObject* receiver = nullptr;
    QRect area{0, 0, 1920, 1080};

    bool swapFlag() const override { return swap; }
    bool dualScreen() const override { return dual; }
    bool viewShown() const override { return shown; }
    QObject* pictureReceiver() const override { return receiver; }
    QRect workArea() const override { return area; }
};

}  // namespace camera
