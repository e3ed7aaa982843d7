#include "DeviceSdk.h"

#include "camera/sdk/Keystone.h"

#include <QDir>

#include <algorithm>

namespace camera::sdk {

DeviceSdk::DeviceSdk(std::unique_ptr<CameraBackend> backend, std::chrono::milliseconds settle)
    : m_backend(std::move(backend)), m_keptWriter(m_keptSettings, settle) {}

DeviceSdk::~DeviceSdk() {
    closeAll();
}

void DeviceSdk::start() {}

// Shutting down closes what is still open: no stream outlives the SDK's session.
void DeviceSdk::shutdown() {
    closeAll();
}

void DeviceSdk::setDataFolder(const QString& folder) {
    QDir().mkpath(folder);
    std::lock_guard lock(m_mutex);
    m_calibration.setFolder(folder);
    m_keptSettings.setFolder(folder);
}

int32_t DeviceSdk::createContext() {
    std::lock_guard lock(m_mutex);
    return m_nextContext++;
}

// One backend serves every device name; the context only has to be accepted.
void DeviceSdk::setContextDevice(int32_t, const QString&) {}
void DeviceSdk::applyContext(int32_t) {}

int DeviceSdk::countCameras(int) {
    return m_backend->count();
}

CameraKeys DeviceSdk::keysFor(const CameraDevice& device) const {
    return CameraIdentity::resolve(
        device.calibrationKey(), device.portKey(), device.serialShared(), [this](const QString& k) {
            return m_calibration.filed(k) || m_keptSettings.filed(k);
        });
}

Handle DeviceSdk::open(VideoSink* view, int, int index) {
    std::shared_ptr<CameraDevice> device = m_backend->open(index);
    if (!device) return 0;
    auto cam = std::make_shared<OpenCamera>();
    cam->device = device;
    // What a camera closed a moment ago still had pending belongs in its file before it is read.
    m_keptWriter.flush();
    Handle h = 0;
    {
        std::lock_guard lock(m_mutex);
        cam->keys = keysFor(*device);
        cam->overlay.corners =
            m_calibration.loadOrInstall(cam->keys.key, device->factoryCorners(), cam->keys.seed);
        h = m_nextHandle++;
    }
    // The camera may have forgotten what it was set to while it was unplugged.
    m_keptSettings.reapply(*device, cam->keys.key, cam->keys.seed);
    if (view != nullptr) cam->sink = view->gate();
    cam->view = std::make_unique<LiveView>(device, cam->sink);
    cam->view->setOverlay(cam->overlay);
    if (cam->sink)
        cam->sink->setCornerMover([this, h](int corner, QPointF p) { moveCorner(h, corner, p); });
    std::lock_guard lock(m_mutex);
    m_cameras[h] = cam;
    return h;
}

std::shared_ptr<DeviceSdk::OpenCamera> DeviceSdk::find(Handle h) const {
    std::lock_guard lock(m_mutex);
    const auto it = m_cameras.find(h);
    return it == m_cameras.end() ? nullptr : it->second;
}

template <typename F>
void DeviceSdk::update(Handle h, F change) {
    std::shared_ptr<OpenCamera> cam;
    CornerOverlay overlay;
    {
        std::lock_guard lock(m_mutex);
        const auto it = m_cameras.find(h);
        if (it == m_cameras.end()) return;
        cam = it->second;
        change(cam->overlay);
        overlay = cam->overlay;
    }
    cam->view->setOverlay(overlay);
}

void DeviceSdk::placeView(Handle h, int, int, int width, int height) {
    if (auto cam = find(h)) cam->view->setViewSize(QSize(std::max(0, width), std::max(0, height)));
}

void DeviceSdk::runView(Handle h, bool run) {
    if (auto cam = find(h)) cam->view->setRunning(run);
}

void DeviceSdk::close(Handle h) {
    std::shared_ptr<OpenCamera> cam;
    {
        std::lock_guard lock(m_mutex);
        const auto it = m_cameras.find(h);
        if (it == m_cameras.end()) return;
        cam = it->second;
        m_cameras.erase(it);
    }
    cam->closed = true;
    cam->view->stop();  // joins the streaming thread before the window can go
    if (cam->sink) cam->sink->setCornerMover({});
    m_keptWriter.flush();
}

void DeviceSdk::closeAll() {
    std::vector<Handle> handles;
    {
        std::lock_guard lock(m_mutex);
        for (const auto& [h, cam] : m_cameras) handles.push_back(h);
    }
    for (const Handle h : handles) close(h);
}

bool DeviceSdk::snapshotInto(Handle h, QImage& target) {
    const auto cam = find(h);
    if (!cam || target.isNull()) return false;
    Corners corners;
    {
        std::lock_guard lock(m_mutex);
        corners = cam->overlay.corners;
    }
    const QImage frame = cam->device->grabFrame();
    // A camera closed while its frame came in gives no picture: the handle is not valid any more.
    if (frame.isNull() || cam->closed) return false;
    Keystone::correctInto(frame, corners, target);
    return true;
}

bool DeviceSdk::snapshot(Handle h, const QString& path) {
    const auto cam = find(h);
    if (!cam) return false;
    QImage corrected(cam->device->frameSize(), QImage::Format_RGB32);
    return snapshotInto(h, corrected) &&
           corrected.convertToFormat(QImage::Format_RGB888).save(path, "BMP");
}

int DeviceSdk::pictureWidth(Handle h) {
    const auto cam = find(h);
    return cam ? cam->device->frameSize().width() : 0;
}

int DeviceSdk::pictureHeight(Handle h) {
    const auto cam = find(h);
    return cam ? cam->device->frameSize().height() : 0;
}

Corners DeviceSdk::corners(Handle h) {
    std::lock_guard lock(m_mutex);
    const auto it = m_cameras.find(h);
    return it == m_cameras.end() ? Corners{{}} : it->second->overlay.corners;
}

void DeviceSdk::setCornerEditing(Handle h, bool on) {
    update(h, [on](CornerOverlay& o) { o.editing = on; });
}

void DeviceSdk::setCornerColours(Handle h, uint32_t lines, uint32_t active) {
    update(h, [=](CornerOverlay& o) {
        o.lines = lines;
        o.active = active;
    });
}

void DeviceSdk::setCornerLabels(Handle h, const QStringList& labels) {
    update(h, [&](CornerOverlay& o) { o.labels = labels; });
}

void DeviceSdk::moveCorner(Handle h, int corner, QPointF position) {
    if (corner < 0 || corner > 3) return;
    const QPointF p(std::clamp(position.x(), 0.0, 1.0), std::clamp(position.y(), 0.0, 1.0));
    update(h, [=](CornerOverlay& o) { o.corners.p[corner] = p; });
}

void DeviceSdk::saveCalibration(Handle h) {
    const auto cam = find(h);
    if (!cam) return;
    std::lock_guard lock(m_mutex);
    m_calibration.save(cam->keys.key, cam->overlay.corners);
}

CameraKeys DeviceSdk::keysOf(Handle h) const {
    const auto cam = find(h);
    return cam ? cam->keys : CameraKeys{};
}

void DeviceSdk::restoreDefaults(Handle h) {
    if (auto cam = find(h)) {
        cam->device->restoreDefaults();
        m_keptWriter.forget(cam->keys.key);
    }
}

int DeviceSdk::readSetting(Handle h, int id, int query) {
    const auto cam = find(h);
    return cam ? cam->device->readSetting(id, query) : 0;
}

void DeviceSdk::writeSetting(Handle h, int id, int value, bool automatic) {
    if (auto cam = find(h)) {
        cam->device->writeSetting(id, value, automatic);
        m_keptWriter.noteWrite(cam->device, cam->keys.key, cam->keys.seed, id);
    }
}

QByteArray DeviceSdk::version(Handle h) {
    const auto cam = find(h);
    return cam ? cam->device->version() : QByteArray();
}

}  // namespace camera::sdk
