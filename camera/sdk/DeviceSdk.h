#pragma once
// The camera SDK over one backend: handles, live views, calibration, snapshots and settings are
// the same for every kind of camera; only frames and settings come from the backend.
#include "camera/sdk/CalibrationStore.h"
#include "camera/sdk/CameraIdentity.h"
#include "camera/sdk/CameraDevice.h"
#include "camera/sdk/CameraSdk.h"
#include "camera/sdk/KeptSettingsWriter.h"
#include "camera/sdk/LiveView.h"
#include "camera/sdk/SettingsStore.h"
#include "camera/sdk/VideoSink.h"

#include <atomic>
#include <map>
#include <memory>
#include <mutex>

namespace camera::sdk {

class DeviceSdk : public CameraSdk {
public:
    // settle: how long kept settings wait for the writes to pause before they are filed.
    explicit DeviceSdk(std::unique_ptr<CameraBackend> backend,
                       std::chrono::milliseconds settle = KeptSettingsWriter::kSettle);
    ~DeviceSdk() override;

    void start() override;
    void shutdown() override;
    void setDataFolder(const QString& folder) override;
    int32_t createContext() override;
    void setContextDevice(int32_t context, const QString& deviceName) override;
    void applyContext(int32_t context) override;
    int countCameras(int selector) override;

    Handle open(VideoSink* view, int selector, int index) override;
    void placeView(Handle h, int x, int y, int width, int height) override;
    void runView(Handle h, bool run) override;
    void close(Handle h) override;

    bool snapshot(Handle h, const QString& path) override;
    bool snapshotInto(Handle h, QImage& target) override;
    int pictureWidth(Handle h) override;
    int pictureHeight(Handle h) override;
    Corners corners(Handle h) override;

    void setCornerEditing(Handle h, bool on) override;
    void setCornerColours(Handle h, uint32_t lines, uint32_t active) override;
    void setCornerLabels(Handle h, const QStringList& labels) override;
    void saveCalibration(Handle h) override;

    void restoreDefaults(Handle h) override;
    int readSetting(Handle h, int id, int query) override;
    void writeSetting(Handle h, int id, int value, bool automatic) override;
    QByteArray version(Handle h) override;

    // A corner dragged in the view: index 0..3, position as fractions (clamped to the frame).
    void moveCorner(Handle h, int corner, QPointF position);
    // The names a camera's files are kept under.
    CameraKeys keysOf(Handle h) const;
    // Kept settings not yet filed are filed now.
    void flushKeptSettings() { m_keptWriter.flush(); }
    const KeptSettingsWriter& keptWriter() const { return m_keptWriter; }

private:
    // Shared with whoever found it, so a close on one thread never pulls a member from under a
    // call on another: closing stops the view and marks the camera, and the last holder frees it.
    struct OpenCamera {
        std::shared_ptr<CameraDevice> device;
        CameraKeys keys;
        std::shared_ptr<SinkGate> sink;
        CornerOverlay overlay;           // holds the corners in use
        std::unique_ptr<LiveView> view;  // set before the camera is listed, never reset
        std::atomic<bool> closed{false};
    };
    std::shared_ptr<OpenCamera> find(Handle h) const;
    template <typename F>
    void update(Handle h, F change);
    void closeAll();
    CameraKeys keysFor(const CameraDevice& device) const;

    std::unique_ptr<CameraBackend> m_backend;
    mutable std::mutex m_mutex;
    std::map<Handle, std::shared_ptr<OpenCamera>> m_cameras;
    CalibrationStore m_calibration;
    SettingsStore m_keptSettings;
    KeptSettingsWriter m_keptWriter;  // after the store it writes to
    Handle m_nextHandle = 1;
    int32_t m_nextContext = 1;
};

}  // namespace camera::sdk
