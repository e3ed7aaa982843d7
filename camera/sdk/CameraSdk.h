#pragma once
// The camera SDK: one interface, its operations named by what they do. Backends: V4L2 for real
// UVC cameras, and a simulated camera for machines without one.
#include "camera/sdk/Corners.h"

#include <QByteArray>
#include <QImage>
#include <QString>
#include <QStringList>

#include <cstdint>

namespace camera::sdk {

class VideoSink;

using Handle = int32_t;

// Video settings by id, as the property page and the controller use them.
enum SettingId : int {
    kBrightness = 1,
    kContrast = 2,
    kHue = 3,
    kSaturation = 4,
    kSharpness = 5,
    kGamma = 6,
    kExposure = 8,
};

// What readSetting returns.
enum SettingQuery : int { kQueryMax = 0, kQueryMin = 1, kQueryCurrent = 2, kQueryAuto = 4 };

class CameraSdk {
public:
    virtual ~CameraSdk() = default;

    virtual void start() = 0;
    virtual void shutdown() = 0;
    virtual void setDataFolder(const QString& folder) = 0;
    virtual int32_t createContext() = 0;
    virtual void setContextDevice(int32_t context, const QString& deviceName) = 0;
    virtual void applyContext(int32_t context) = 0;
    virtual int countCameras(int selector) = 0;

    // Opens camera `index` with its live view drawn into `view`. Returns 0 when it cannot.
    virtual Handle open(VideoSink* view, int selector, int index) = 0;
    virtual void placeView(Handle h, int x, int y, int width, int height) = 0;
    virtual void runView(Handle h, bool run) = 0;
    virtual void close(Handle h) = 0;

    // Writes the corrected picture as BMP at path; false when nothing was written.
    virtual bool snapshot(Handle h, const QString& path) = 0;
    // The corrected picture scaled to target's size, drawn into target (RGB32; it may be a view
    // into a larger picture). False, with target untouched, when the camera gives no frame.
    virtual bool snapshotInto(Handle h, QImage& target) = 0;
    virtual int pictureWidth(Handle h) = 0;
    virtual int pictureHeight(Handle h) = 0;
    virtual Corners corners(Handle h) = 0;

    virtual void setCornerEditing(Handle h, bool on) = 0;
    // Colours as 0x00BBGGRR values (255 red, 65280 green).
    virtual void setCornerColours(Handle h, uint32_t lines, uint32_t active) = 0;
    // Top-left, top-right, bottom-right, bottom-left.
    virtual void setCornerLabels(Handle h, const QStringList& labels) = 0;
    virtual void saveCalibration(Handle h) = 0;

    virtual void restoreDefaults(Handle h) = 0;
    virtual int readSetting(Handle h, int id, int query) = 0;
    virtual void writeSetting(Handle h, int id, int value, bool automatic) = 0;

    // Narrow text; may hold CR LF pairs.
    virtual QByteArray version(Handle h) = 0;
};

}  // namespace camera::sdk
