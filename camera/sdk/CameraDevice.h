#pragma once
// One camera as a backend drives it: frames, video settings, identity. Thread-safe: the live view
// and a snapshot may grab frames at the same time.
#include "camera/sdk/Corners.h"

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

#include <memory>
#include <optional>

namespace camera::sdk {

class CameraDevice {
public:
    virtual ~CameraDevice() = default;
    virtual QSize frameSize() const = 0;
    // The newest frame as RGB32; null when the camera gives none.
    virtual QImage grabFrame() = 0;
    // Held while frames are wanted one after another (a running live view): the camera streams
    // only while someone holds it or a single frame is grabbed. Each hold is released once.
    virtual void holdStream(bool) {}
    virtual int readSetting(int id, int query) = 0;
    virtual void writeSetting(int id, int value, bool automatic) = 0;
    virtual void restoreDefaults() = 0;
    virtual QByteArray version() const = 0;
    // Stable name of this camera for its calibration file.
    virtual QString calibrationKey() const = 0;
    // The name with the camera's place on the bus, for two cameras that report the same serial;
    // empty where a camera has no such place.
    virtual QString portKey() const { return {}; }
    // Another camera now connected reports the same serial.
    virtual bool serialShared() const { return false; }
    // The corners the camera was calibrated to before it was delivered, if it was.
    virtual std::optional<Corners> factoryCorners() const { return std::nullopt; }
};

// Finds and opens the cameras of one kind.
class CameraBackend {
public:
    virtual ~CameraBackend() = default;
    virtual int count() = 0;
    virtual std::unique_ptr<CameraDevice> open(int index) = 0;
};

}  // namespace camera::sdk
