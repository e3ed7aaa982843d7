#include "CaptureWorker.h"
#include "platform/MessageIds.h"

#include "camera/Camera.h"
#include "camera/PictureImaging.h"
#include "platform/Message.h"

#include <QFile>

namespace camera {

namespace {

constexpr QSize kDualFallback(1200, 900);
constexpr QSize kSingleFallback(180, 180);

}  // namespace

void CaptureWorker::run() {
    // Without a safe store there is nowhere to put even the snapshot.
    if (m_sdk == nullptr || m_job.store.storeFolder().isEmpty()) {
        report(kNoPicture);
        return;
    }
    const QImage picture = m_job.dual ? captureTwo() : captureOne();
    const bool stored = !picture.isNull() && store(picture);
    if (stored) m_counter.store(static_cast<int>(m_job.number));
    // The receiver clears its capture-busy state on this message, so a failed capture reports too.
    report(stored ? m_job.number : kNoPicture);
    QFile::remove(m_job.store.snapshotPath(m_job.number, m_job.dual ? 1 : 0));
    if (m_job.dual) QFile::remove(m_job.store.snapshotPath(m_job.number, 2));
}

bool CaptureWorker::snap(sdk::Handle h, const QString& path, bool startView) {
    if (startView) m_sdk->runView(h, true);
    m_sdk->snapshot(h, path);
    if (startView) m_sdk->runView(h, false);
    // What counts is the file, not what the SDK says.
    return QFile::exists(path);
}

QImage CaptureWorker::captureOne() {
    const QString path = m_job.store.snapshotPath(m_job.number);
    if (!snap(m_job.current, path, !m_job.viewShown)) return {};
    const QImage shot(path);
    if (shot.isNull()) return {};
    const QSize size =
        CCamera::correctedSizeOf(*m_sdk, m_job.first, m_job.current).value_or(kSingleFallback);
    return PictureImaging::stretch(shot, size);
}

QImage CaptureWorker::captureTwo() {
    const QString path1 = m_job.store.snapshotPath(m_job.number, 1);
    const QString path2 = m_job.store.snapshotPath(m_job.number, 2);
    const bool ok1 = snap(m_job.first, path1, true);
    const bool ok2 = snap(m_job.second, path2, true);
    if (!ok1 || !ok2) return {};
    const QImage shot1(path1), shot2(path2);
    if (shot1.isNull() || shot2.isNull()) return {};
    const auto s0 = CCamera::correctedSizeOf(*m_sdk, m_job.first, m_job.first);
    const auto s1 = CCamera::correctedSizeOf(*m_sdk, m_job.first, m_job.second);
    int tile = kDualFallback.width() / 2, height = kDualFallback.height();
    if (s0 && s1) {
        tile = std::min(s0->width(), s1->width());
        height = std::min(s0->height(), s1->height());
    }
    return PictureImaging::sideBySide(shot1, shot2, tile, height);
}

bool CaptureWorker::store(const QImage& picture) {
    const QString jpg = m_job.store.picturePath(m_job.number);
    const QString bmp = m_job.store.thumbnailPath(m_job.number);
    if (picture.save(jpg, "JPG") && PictureImaging::thumbnail(picture).save(bmp, "BMP"))
        return true;
    // Half a picture is no picture: the list must never see one without the other.
    QFile::remove(jpg);
    QFile::remove(bmp);
    return false;
}

void CaptureWorker::report(long number) {
    m_busy = false;
    if (m_job.receiver == nullptr) return;
    platform::sendMessage(m_job.receiver, msg::kPictureReady, static_cast<quintptr>(number),
                          m_job.tag);
}

}  // namespace camera
