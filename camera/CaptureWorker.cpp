#include "CaptureWorker.h"
#include "platform/MessageIds.h"

#include "camera/Camera.h"
#include "camera/JpegWriter.h"
#include "camera/PictureImaging.h"
#include "platform/Message.h"
#include "platform/StagedFile.h"

#include <QBuffer>
#include <QFile>
#include <QPainter>

namespace camera {

namespace {

constexpr QSize kDualFallback(1200, 900);
constexpr QSize kSingleFallback(180, 180);

QByteArray encodeBmp(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (image.isNull() || !buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, "BMP"))
        return {};
    return bytes;
}

}  // namespace

void CaptureWorker::run() {
    // Without a safe store there is nowhere to put the picture.
    if (m_sdk == nullptr || m_job.store.storeFolder().isEmpty()) {
        report(kNoPicture);
        return;
    }
    const QImage picture = m_job.dual ? captureTwo() : captureOne();
    const bool stored = !picture.isNull() && store(picture);
    if (stored) m_counter.store(static_cast<int>(m_job.number));
    // The receiver clears its capture-busy state on this message, so a failed capture reports too.
    report(stored ? m_job.number : kNoPicture);
}

void CaptureWorker::endAfterError() {
    report(kNoPicture);
}

// The snapshot stays in memory, drawn by the SDK straight at the size it is stored at: no file
// to write and read back, and one resampling instead of two. Only when the corners gave no size
// is the snapshot taken at the camera's size and area-averaged into the fallback size, which is
// far smaller than the board and would alias in a direct warp.
bool CaptureWorker::snap(sdk::Handle h, QImage& target, bool sized, bool startView) {
    if (startView) m_sdk->runView(h, true);
    bool ok = false;
    if (sized) {
        ok = m_sdk->snapshotInto(h, target);
    } else {
        QImage shot(m_sdk->pictureWidth(h), m_sdk->pictureHeight(h), QImage::Format_RGB32);
        ok = !shot.isNull() && m_sdk->snapshotInto(h, shot);
        if (ok) {
            QPainter p(&target);
            p.setCompositionMode(QPainter::CompositionMode_Source);
            p.drawImage(0, 0, PictureImaging::stretch(shot, target.size()));
        }
    }
    if (startView) m_sdk->runView(h, false);
    return ok;
}

QImage CaptureWorker::captureOne() {
    const auto size = CCamera::correctedSizeOf(*m_sdk, m_job.first, m_job.current);
    QImage picture(size.value_or(kSingleFallback), QImage::Format_RGB32);
    // A hidden view is not run for the picture: the camera streams for that one frame, and
    // nothing is decoded for a window nobody sees.
    if (!snap(m_job.current, picture, size.has_value(), false)) return {};
    return picture;
}

QImage CaptureWorker::captureTwo() {
    const auto s0 = CCamera::correctedSizeOf(*m_sdk, m_job.first, m_job.first);
    const auto s1 = CCamera::correctedSizeOf(*m_sdk, m_job.first, m_job.second);
    const bool sized = s0 && s1;
    int tile = kDualFallback.width() / 2, height = kDualFallback.height();
    if (sized) {
        tile = std::min(s0->width(), s1->width());
        height = std::min(s0->height(), s1->height());
    }
    QImage picture(2 * tile, height, QImage::Format_RGB32);
    if (picture.isNull()) return {};
    // Each camera draws straight into its half.
    uchar* bits = picture.bits();
    QImage left(bits, tile, height, picture.bytesPerLine(), QImage::Format_RGB32);
    QImage right(bits + 4 * tile, tile, height, picture.bytesPerLine(), QImage::Format_RGB32);
    const bool ok1 = snap(m_job.first, left, sized, m_job.viewShown);
    const bool ok2 = snap(m_job.second, right, sized, m_job.viewShown);
    if (!ok1 || !ok2) return {};
    return picture;
}

// Both files are written whole under temporary names before either takes its own: on a full
// disk a cut-off file would otherwise pass for a picture. The store is scratch, so no fsync.
bool CaptureWorker::store(const QImage& picture) {
    const QByteArray jpeg = JpegWriter::encode(picture);
    const QByteArray bmp = encodeBmp(PictureImaging::thumbnail(picture));
    if (jpeg.isEmpty() || bmp.isEmpty()) return false;
    using platform::StagedFile;
    StagedFile jpgFile(m_job.store.picturePath(m_job.number), StagedFile::Sync::None);
    StagedFile bmpFile(m_job.store.thumbnailPath(m_job.number), StagedFile::Sync::None);
    if (!jpgFile.write(jpeg) || !bmpFile.write(bmp) || !jpgFile.commit()) return false;
    if (bmpFile.commit()) return true;
    // Half a picture is no picture: the list must never see one without the other.
    QFile::remove(jpgFile.path());
    return false;
}

void CaptureWorker::report(long number) {
    m_busy = false;
    if (m_job.receiver == nullptr) return;
    platform::sendMessage(m_job.receiver, msg::kPictureReady, static_cast<quintptr>(number),
                          m_job.tag);
}

}  // namespace camera
