#pragma once
// The camera controller: the one object that talks to the camera SDK. It opens the cameras into
// the main dialog's video windows, places their live views, takes pictures on a worker thread
// into the picture store, and carries calibration and video settings to the cameras.
#include "camera/CameraHost.h"
#include "camera/DisplayRect.h"
#include "camera/PictureStore.h"
#include "camera/ViewWindow.h"
#include "camera/sdk/CameraSdk.h"
#include "platform/Clock.h"
#include "platform/WorkerThread.h"

#include <QSize>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

// Where the controller gets its SDK, folders and time; the defaults are the real ones.
struct CameraServices {
    // Makes the SDK for a backend name: "sim", "sim2", or empty for the V4L2 cameras.
    std::function<std::unique_ptr<camera::sdk::CameraSdk>(const QString&)> makeSdk;
    std::function<QString()> tempFolder;
    std::function<QString()> commonAppDataFolder;
    platform::Clock* clock = nullptr;

    static CameraServices system();
};

class CCamera {
public:
    using Handle = camera::sdk::Handle;

    CCamera();
    explicit CCamera(CameraServices services);
    ~CCamera();
    CCamera(const CCamera&) = delete;
    CCamera& operator=(const CCamera&) = delete;

    // Empties the picture store, starts the SDK (backend from OSTRELY_CAMERA) and counts cameras.
    bool Init();
    int CameraCount() const { return m_cameraCount; }
    // Texts by string id (corner labels 20047..20050); set by the application object.
    std::function<QString(int)> textSource;

    // The application state the controller reads. Must outlive the controller's use of it.
    void setHost(camera::CameraHost* host) { m_host = host; }

    // Opens the cameras into windows a (first) and b (second). viewRect is the main dialog's
    // default single-camera placement. pauseAfter: the first live view is paused again (start-up).
    void OpenCameras(camera::ViewWindow* a, camera::ViewWindow* b,
                     const camera::DisplayRect& viewRect, bool pauseAfter = true);
    // The default placement that Reinit opens into again (the main dialog's view rect).
    void setViewRect(const camera::DisplayRect& rect) { m_viewRect = rect; }
    // A camera came or went: close everything, restart the SDK, open again. live: the first live
    // view runs afterwards (off while nobody looks at it).
    void Reinit(bool live = true);
    // Closes every camera (their streams stop). For the main dialog's shutdown, before its video
    // windows go; the controller's destructor does it too.
    void CloseCameras();
    // Starts a capture; returns the number the picture will get, or 0 (nothing started) while a
    // capture of this controller runs. A capture runs until its worker sends picture-ready.
    int TakePic(int tag);
    bool capturing() const { return m_capturing.load(); }

    bool CorrectedSize(Handle h, int* width = nullptr, int* height = nullptr);
    bool PreviewRect(Handle h, camera::DisplayRect* out);
    bool DualPreviewRects(camera::DisplayRect* left, camera::DisplayRect* right);

    void StartCalibration();
    void EndCalibration();
    void SaveCalibration();

    void SetSetting(int id, int value);
    void SetExposureAuto(bool on);

    void SwapCameras();
    QString DeviceVersion(int index);
    bool PictureExists(long number, QString* picturePath, QString* thumbnailPath) const;

    // State the main dialog works with.
    camera::sdk::CameraSdk* sdk() const { return m_sdk.get(); }
    const std::vector<Handle>& cameras() const { return m_cameras; }
    const std::vector<camera::ViewWindow*>& windows() const { return m_windows; }
    Handle currentCamera() const { return m_current; }
    void setCurrentCamera(Handle h) { m_current = h; }
    int pictureCounter() const { return m_pictureCounter.load(); }
    const camera::PictureStore& store() const { return m_store; }
    // The run ended in order (the main dialog has returned): see PictureStore::endRun.
    void endRun() { m_store.endRun(); }
    bool ready() const { return m_ready; }
    // Waits for every capture worker to end, delivering a picture-ready message it waits on.
    void waitForCaptures();

    // CorrectedSize with the frame size of the first camera, as the capture worker needs it.
    static std::optional<QSize> correctedSizeOf(camera::sdk::CameraSdk& sdk, Handle first,
                                                Handle h);

private:
    QString dataFolder() const;
    // False when the camera did not open: it is then not kept.
    bool openOne(int index, camera::ViewWindow* window, const camera::DisplayRect& fallback,
                 bool show);
    std::vector<Handle> targets() const;
    void reapWorkers();

    CameraServices m_services;
    camera::CameraHost* m_host = nullptr;
    camera::CameraHostState m_defaultHost;
    std::unique_ptr<camera::sdk::CameraSdk> m_sdk;

    // The current camera is a handle, not an index, so that a swap of the lists leaves it alone.
    Handle m_current = 0;
    int32_t m_context = 0;
    int m_cameraCount = 0;
    std::vector<Handle> m_cameras;
    std::vector<camera::ViewWindow*> m_windows;
    std::atomic<int> m_pictureCounter{0};  // written by the worker
    std::atomic<bool> m_capturing{false};  // cleared by the worker
    camera::PictureStore m_store;
    int m_deviceSelector = 0;
    bool m_ready = true;

    // What Reinit opens into again.
    camera::ViewWindow* m_windowA = nullptr;
    camera::ViewWindow* m_windowB = nullptr;
    camera::DisplayRect m_viewRect;
    QStringList m_cornerLabels;
    std::vector<std::unique_ptr<platform::WorkerThread>> m_workers;
};
