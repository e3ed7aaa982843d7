#include "Camera.h"
#include "lang/TextIds.h"
#include "platform/MessageIds.h"

#include "camera/CameraGeometry.h"
#include "camera/CaptureWorker.h"
#include "camera/sdk/SdkFactory.h"
#include "platform/Folders.h"
#include "platform/Log.h"

#include <QCoreApplication>
#include <QFileInfo>

using camera::CameraGeometry;
using camera::DisplayRect;
using camera::ViewWindow;

namespace {

constexpr int kRestartPauseMs = 250;
constexpr uint32_t kRed = 255;
constexpr uint32_t kGreen = 65280;
constexpr int kCornerLabelIds[4] = {text::kCornerTopLeft, text::kCornerTopRight,
                                    text::kCornerBottomRight, text::kCornerBottomLeft};

}  // namespace

CameraServices CameraServices::system() {
    CameraServices s;
    s.makeSdk = [](const QString& name) { return camera::sdk::SdkFactory::create(name); };
    s.tempFolder = platform::userTempFolder;
    s.commonAppDataFolder = platform::commonAppDataFolder;
    s.clock = &platform::SystemClock::instance();
    return s;
}

CCamera::CCamera() : CCamera(CameraServices::system()) {}

CCamera::CCamera(CameraServices services) : m_services(std::move(services)) {
    const CameraServices sys = CameraServices::system();
    if (!m_services.makeSdk) m_services.makeSdk = sys.makeSdk;
    if (!m_services.tempFolder) m_services.tempFolder = sys.tempFolder;
    if (!m_services.commonAppDataFolder) m_services.commonAppDataFolder = sys.commonAppDataFolder;
    if (m_services.clock == nullptr) m_services.clock = sys.clock;
    m_host = &m_defaultHost;
}

CCamera::~CCamera() {
    waitForCaptures();
    // Streams stop before the windows they draw into go away.
    CloseCameras();
    if (m_sdk) m_sdk->shutdown();
}

QString CCamera::dataFolder() const {
    // No trusted settings folder: calibrations and settings are not kept rather than put anywhere.
    const QString common = m_services.commonAppDataFolder();
    return common.isEmpty() ? QString() : common + "/Kestrane";
}

bool CCamera::Init() {
    waitForCaptures();  // a worker uses the SDK replaced below
    m_pictureCounter = 0;
    m_store = camera::PictureStore(m_services.tempFolder());
    m_store.prepare();
    // Pictures brought back keep their numbers; new ones follow them.
    if (!m_store.keptPictures().empty()) m_pictureCounter = m_store.keptPictures().back();
    m_sdk = m_services.makeSdk(QString::fromLocal8Bit(qgetenv("OSTRELY_CAMERA")));
    m_sdk->start();
    m_sdk->setDataFolder(dataFolder());
    m_context = m_sdk->createContext();
    m_sdk->setContextDevice(m_context, QStringLiteral("realtek"));
    m_sdk->applyContext(m_context);
    m_cameraCount = m_sdk->countCameras(m_deviceSelector);
    return true;
}

bool CCamera::openOne(int index, ViewWindow* window, const DisplayRect& fallback, bool show) {
    const Handle h = m_sdk->open(window, m_deviceSelector, index);
    // 0 is no camera: kept in the list, every later call would go to it.
    if (h == 0) {
        platform::log::failure(platform::log::camera(),
                               QStringLiteral("camera %1 of %2 did not open; it is left out")
                                   .arg(index + 1)
                                   .arg(m_cameraCount),
                               QString());
        return false;
    }
    m_cameras.push_back(h);
    m_windows.push_back(window);
    m_sdk->runView(h, true);
    DisplayRect rect;
    if (!PreviewRect(h, &rect)) rect = fallback;
    if (window != nullptr) {
        window->placeWindow(rect);
        if (show) window->showWindow(true);
    }
    m_sdk->placeView(h, 0, 0, rect.width, rect.height);
    return true;
}

void CCamera::OpenCameras(ViewWindow* a, ViewWindow* b, const DisplayRect& viewRect,
                          bool pauseAfter) {
    m_windowA = a;
    m_windowB = b;
    m_viewRect = viewRect;
    if (!m_sdk) return;
    if (m_cameraCount >= 1) {
        const bool opened = openOne(0, a, viewRect, true);
        if (b != nullptr) b->showWindow(false);
        if (opened && pauseAfter) m_sdk->runView(m_cameras[0], false);
        if (opened) m_current = m_cameras[0];
    }
    if (m_cameraCount >= 2 && openOne(1, b, viewRect, false))
        m_sdk->runView(m_cameras.back(), false);
    if (m_cameras.size() >= 2 && m_host->swapFlag()) {
        m_current = m_cameras[1];
        SwapCameras();
    }
}

void CCamera::Reinit(bool live) {
    if (!m_ready || !m_sdk) return;
    m_ready = false;
    // A capture may still run on the handles closed here. Waiting for it is no way out: it may be
    // blocked on this thread handling its message. The SDK keeps a closed camera alive for whoever
    // still holds it and fails its snapshot, so the capture ends with picture 0.
    CloseCameras();
    m_sdk->shutdown();
    m_sdk->shutdown();
    m_services.clock->sleepMs(kRestartPauseMs);
    m_sdk->start();
    m_sdk->setDataFolder(dataFolder());
    m_cameraCount = m_sdk->countCameras(m_deviceSelector);
    OpenCameras(m_windowA, m_windowB, m_viewRect, !live);
    if (m_windowA != nullptr) m_windowA->showWindow(m_cameraCount != 0);
    if (m_windowB != nullptr) m_windowB->showWindow(false);
    m_ready = true;
}

void CCamera::CloseCameras() {
    if (m_sdk) {
        for (const Handle h : m_cameras) m_sdk->close(h);
    }
    m_cameras.clear();
    m_windows.clear();
    m_current = 0;
}

void CCamera::reapWorkers() {
    std::erase_if(m_workers, [](const std::unique_ptr<platform::WorkerThread>& t) {
        if (!t->finished()) return false;
        t->join();
        return true;
    });
}

void CCamera::waitForCaptures() {
    for (auto& t : m_workers) {
        // A worker may be blocked sending its picture-ready message to this very thread: let that
        // call through, or the two would wait for each other.
        while (!t->joinFor(std::chrono::milliseconds(20)))
            QCoreApplication::sendPostedEvents(m_host->pictureReceiver(), msg::kPictureReady);
    }
    m_workers.clear();
}

int CCamera::TakePic(int tag) {
    // Two captures at once would take the same number and overwrite each other's files.
    if (m_capturing.exchange(true)) return 0;
    reapWorkers();
    const bool usable = m_store.ensureFolders();
    camera::CaptureJob job;
    job.number = m_pictureCounter.load() + 1;
    job.tag = tag;
    job.dual = m_host->dualScreen() && m_cameraCount >= 2 && m_cameras.size() >= 2;
    job.viewShown = m_host->viewShown();
    job.first = m_cameras.empty() ? 0 : m_cameras[0];
    job.second = m_cameras.size() > 1 ? m_cameras[1] : 0;
    job.current = m_current;
    job.receiver = m_host->pictureReceiver();
    // An unsafe store writes nothing: the worker still runs, to report the failure.
    job.store = usable ? m_store : camera::PictureStore();
    auto worker =
        std::make_shared<camera::CaptureWorker>(m_sdk.get(), job, m_pictureCounter, m_capturing);
    auto thread = std::make_unique<platform::WorkerThread>(platform::log::camera(), "A capture");
    thread->start([worker] { worker->run(); }, [worker] { worker->endAfterError(); });
    m_workers.push_back(std::move(thread));
    return static_cast<int>(job.number);
}

std::optional<QSize> CCamera::correctedSizeOf(camera::sdk::CameraSdk& sdk, Handle first, Handle h) {
    return CameraGeometry::correctedSize(sdk.pictureWidth(first), sdk.pictureHeight(first),
                                         sdk.corners(h));
}

bool CCamera::CorrectedSize(Handle h, int* width, int* height) {
    if (!m_sdk || m_cameras.empty()) return false;
    const auto size = correctedSizeOf(*m_sdk, m_cameras[0], h);
    if (!size) return false;
    if (width != nullptr && height != nullptr) {
        *width = size->width();
        *height = size->height();
    }
    return true;
}

bool CCamera::PreviewRect(Handle h, DisplayRect* out) {
    int w = 0, hgt = 0;
    if (!CorrectedSize(h, &w, &hgt)) return false;
    // Places inside the main window, which covers the work area wherever its origin lies.
    const QRect area = m_host->workArea();
    *out = CameraGeometry::previewRect(QSize(w, hgt), area.width(), area.height());
    return true;
}

bool CCamera::DualPreviewRects(DisplayRect* left, DisplayRect* right) {
    if (m_cameraCount < 2 || !m_host->dualScreen() || m_cameras.size() < 2) return false;
    int w0 = 0, h0 = 0, w1 = 0, h1 = 0;
    if (!CorrectedSize(m_cameras[0], &w0, &h0) || !CorrectedSize(m_cameras[1], &w1, &h1))
        return false;
    const QRect area = m_host->workArea();
    const auto [l, r] = CameraGeometry::dualPreviewRects(QSize(w0, h0), QSize(w1, h1),
                                                         area.width(), area.height());
    *left = l;
    *right = r;
    return true;
}

std::vector<CCamera::Handle> CCamera::targets() const {
    if (m_cameraCount >= 2 && m_host->dualScreen() && m_cameras.size() >= 2)
        return {m_cameras[0], m_cameras[1]};
    return {m_current};
}

void CCamera::StartCalibration() {
    // Kept for the whole run, as the SDK may draw them at any time.
    m_cornerLabels.clear();
    for (const int id : kCornerLabelIds)
        m_cornerLabels << (textSource ? textSource(id) : QString());
    if (!m_sdk) return;
    for (const Handle h : targets()) {
        m_sdk->setCornerEditing(h, true);
        m_sdk->setCornerColours(h, kRed, kGreen);
        m_sdk->setCornerLabels(h, m_cornerLabels);
    }
}

void CCamera::EndCalibration() {
    if (!m_sdk) return;
    for (const Handle h : targets()) m_sdk->setCornerEditing(h, false);
}

void CCamera::SaveCalibration() {
    if (!m_sdk) return;
    for (const Handle h : targets()) m_sdk->saveCalibration(h);
}

void CCamera::SetSetting(int id, int value) {
    if (!m_sdk) return;
    for (const Handle h : targets()) m_sdk->writeSetting(h, id, value, false);
}

void CCamera::SetExposureAuto(bool on) {
    if (!m_sdk) return;
    for (const Handle h : targets()) {
        const int v = m_sdk->readSetting(h, camera::sdk::kExposure, camera::sdk::kQueryCurrent);
        m_sdk->writeSetting(h, camera::sdk::kExposure, v, on);
    }
}

void CCamera::SwapCameras() {
    if (m_cameras.size() < 2) return;
    std::swap(m_cameras[0], m_cameras[1]);
    std::swap(m_windows[0], m_windows[1]);
}

QString CCamera::DeviceVersion(int index) {
    if (!m_sdk || index < 0 || static_cast<size_t>(index) >= m_cameras.size()) return "errror";
    QString text = QString::fromLocal8Bit(m_sdk->version(m_cameras[index]));
    if (text.isEmpty()) return "errror";
    // Line breaks go, each CR LF pair as one.
    for (int i = text.indexOf('\n'); i >= 0; i = text.indexOf('\n', i)) {
        const bool cr = i > 0 && text[i - 1] == '\r';
        text.remove(cr ? i - 1 : i, cr ? 2 : 1);
        if (cr) --i;
    }
    return text;
}

bool CCamera::PictureExists(long number, QString* picturePath, QString* thumbnailPath) const {
    const auto e = m_store.pictureExists(number);
    if (picturePath != nullptr) *picturePath = e.picture;
    if (thumbnailPath != nullptr) *thumbnailPath = e.thumbnail;
    return e.exists;
}
