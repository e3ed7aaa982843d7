#include "art/Artwork.h"

#include "art/KeyGuard.h"
#include "art/ResourceIds.h"

#include <QPainter>
#include <QPixmapCache>
#include <QSvgRenderer>

#include <algorithm>
#include <array>
#include <cmath>

// Resources of a static library are only linked in when something names their initialiser.
static void registerArtResources() {
    Q_INIT_RESOURCE(art);
}

namespace art {
namespace {

struct Source {
    int id;
    const char* path;
};

constexpr std::array kSources = {
    Source{res::kProgramIcon, ":/art/icons/ostrely.svg"},
    Source{res::kTrayConnected, ":/art/icons/tray-connected.svg"},
    Source{res::kTrayDisconnected, ":/art/icons/tray-disconnected.svg"},
    Source{res::kBackToVideo, ":/art/buttons/back-to-video.svg"},
    Source{res::kCalibration, ":/art/buttons/calibration-normal.svg"},
    Source{res::kCalibrationPressed, ":/art/buttons/calibration-pressed.svg"},
    Source{res::kHandle, ":/art/buttons/handle-normal.svg"},
    Source{res::kHandlePressed, ":/art/buttons/handle-pressed.svg"},
    Source{res::kPictureList, ":/art/buttons/pictures-normal.svg"},
    Source{res::kPictureListPressed, ":/art/buttons/pictures-pressed.svg"},
    Source{res::kCapture, ":/art/buttons/capture-normal.svg"},
    Source{res::kCapturePressed, ":/art/buttons/capture-pressed.svg"},
    Source{res::kShare, ":/art/buttons/share-normal.svg"},
    Source{res::kSharePressed, ":/art/buttons/share-pressed.svg"},
    Source{res::kPen, ":/art/buttons/pen-normal.svg"},
    Source{res::kPenPressed, ":/art/buttons/pen-pressed.svg"},
    Source{res::kRedPen, ":/art/buttons/pen-red-normal.svg"},
    Source{res::kRedPenPressed, ":/art/buttons/pen-red-pressed.svg"},
    Source{res::kBlackPen, ":/art/buttons/pen-black-normal.svg"},
    Source{res::kBlackPenPressed, ":/art/buttons/pen-black-pressed.svg"},
    Source{res::kBluePen, ":/art/buttons/pen-blue-normal.svg"},
    Source{res::kBluePenPressed, ":/art/buttons/pen-blue-pressed.svg"},
    Source{res::kEraser, ":/art/buttons/eraser-normal.svg"},
    Source{res::kEraserPressed, ":/art/buttons/eraser-pressed.svg"},
    Source{res::kClearAll, ":/art/buttons/clear-normal.svg"},
    Source{res::kClearAllPressed, ":/art/buttons/clear-pressed.svg"},
};

constexpr bool everyIdHasASource() {
    for (int id : res::kAll) {
        bool found = false;
        for (const Source& s : kSources) found = found || s.id == id;
        if (!found) return false;
    }
    return kSources.size() == res::kAll.size();
}
static_assert(everyIdHasASource(), "each resource id needs exactly one drawing");

const char* pathOf(int resourceId) {
    for (const Source& s : kSources)
        if (s.id == resourceId) return s.path;
    return nullptr;
}

QRectF centredSquare(QSize device, QSizeF drawing) {
    QSizeF fitted =
        drawing.isEmpty() ? QSizeF(device) : drawing.scaled(device, Qt::KeepAspectRatio);
    return QRectF(
        QPointF((device.width() - fitted.width()) / 2.0, (device.height() - fitted.height()) / 2.0),
        fitted);
}

QSize deviceSize(QSize size, qreal dpr) {
    if (!(dpr > 0) || !std::isfinite(dpr)) return {};
    const qreal w = std::round(size.width() * dpr);
    const qreal h = std::round(size.height() * dpr);
    if (w < 1 || h < 1 || w > kMaxSide || h > kMaxSide) return {};
    return QSize(static_cast<int>(w), static_cast<int>(h));
}

}  // namespace

bool exists(int resourceId) {
    return pathOf(resourceId) != nullptr;
}

QImage image(int resourceId, QSize size, qreal dpr) {
    static const bool registered = (registerArtResources(), true);
    (void)registered;
    const char* path = pathOf(resourceId);
    const QSize device = deviceSize(size, dpr);
    if (!path || device.isEmpty()) return {};
    QSvgRenderer renderer{QString::fromLatin1(path)};
    if (!renderer.isValid()) return {};

    QImage img(device, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    {
        QPainter painter(&img);
        painter.setRenderHint(QPainter::Antialiasing);
        renderer.render(&painter, centredSquare(device, renderer.viewBoxF().size()));
    }
    keepClearOfKey(img);
    img.setDevicePixelRatio(dpr);
    return img;
}

QPixmap pixmap(int resourceId, QSize size, qreal dpr) {
    const QString key = QStringLiteral("ostrely-art/%1/%2x%3@%4")
                            .arg(resourceId)
                            .arg(size.width())
                            .arg(size.height())
                            .arg(dpr);
    QPixmap cached;
    if (QPixmapCache::find(key, &cached)) return cached;
    const QImage img = image(resourceId, size, dpr);
    if (img.isNull()) return {};
    QPixmap made = QPixmap::fromImage(img);
    QPixmapCache::insert(key, made);
    return made;
}

QIcon icon(int resourceId) {
    if (!exists(resourceId)) return {};
    QIcon result;
    for (int side : {16, 22, 24, 32, 48, 64, 128, 256})
        result.addPixmap(pixmap(resourceId, QSize(side, side)));
    return result;
}

}  // namespace art
