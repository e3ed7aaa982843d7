#include "Keystone.h"

#include <QPainter>

#include <QPolygonF>
#include <algorithm>
#include <cstdint>
#include <cstring>

namespace camera::sdk {

std::optional<QTransform> Keystone::transform(const Corners& corners, QSize frameSize, QSize out) {
    if (frameSize.isEmpty() || out.isEmpty()) return std::nullopt;
    QPolygonF from;
    for (const QPointF& p : corners.p)
        from << QPointF(p.x() * frameSize.width(), p.y() * frameSize.height());
    const QPolygonF to{QPointF(0, 0), QPointF(out.width(), 0), QPointF(out.width(), out.height()),
                       QPointF(0, out.height())};
    QTransform t;
    if (!QTransform::quadToQuad(from, to, t)) return std::nullopt;
    return t;
}

QImage Keystone::correct(const QImage& frame, const Corners& corners, QSize out) {
    if (out.isEmpty()) return {};
    QImage target(out, QImage::Format_RGB32);
    correctInto(frame, corners, target);
    return target;
}

namespace {

// Source position of an output pixel centre, in 16.16 fixed point, kept inside the frame so that
// both bilinear neighbours exist. NaN and infinity (a corner set that folds over) end up at an
// edge.
struct Fixed {
    int32_t u, v;
};

Fixed sourceAt(const QTransform& inv, double x, double y, float maxU, float maxV) {
    const double w = inv.m13() * x + inv.m23() * y + inv.m33();
    float u = static_cast<float>((inv.m11() * x + inv.m21() * y + inv.m31()) / w - 0.5);
    float v = static_cast<float>((inv.m12() * x + inv.m22() * y + inv.m32()) / w - 0.5);
    if (!(u >= 0)) u = 0;
    if (!(u <= maxU)) u = maxU;
    if (!(v >= 0)) v = 0;
    if (!(v <= maxV)) v = maxV;
    return {static_cast<int32_t>(u * 65536.0f), static_cast<int32_t>(v * 65536.0f)};
}

// Bilinear blend of four pixels with weights fx, fy (0..256), two channels per multiply.
inline uint32_t bilinear(const uint32_t* p, qsizetype stride, uint32_t fx, uint32_t fy) {
    const uint32_t w11 = (fx * fy) >> 8, w10 = fy - w11, w01 = fx - w11, w00 = 256 - fx - w10;
    const uint32_t a = p[0], b = p[1], c = p[stride], d = p[stride + 1];
    const uint32_t rb = ((a & 0xff00ff) * w00 + (b & 0xff00ff) * w01 + (c & 0xff00ff) * w10 +
                         (d & 0xff00ff) * w11) >>
                        8;
    const uint32_t g =
        ((a & 0xff00) * w00 + (b & 0xff00) * w01 + (c & 0xff00) * w10 + (d & 0xff00) * w11) >> 8;
    return 0xff000000u | (rb & 0xff00ff) | (g & 0xff00);
}

// Exact positions every kSpan pixels and straight steps between: over so short a run the
// perspective bends the path by a small fraction of a pixel even for a steep slant, and the
// exact position (two divisions) is what costs most per pixel.
constexpr int kSpan = 32;

void warpRow(const QImage& src, const QTransform& inv, int y, uint32_t* out, int width) {
    const float maxU = static_cast<float>(src.width() - 1) - 1.0f / 256;
    const float maxV = static_cast<float>(src.height() - 1) - 1.0f / 256;
    const auto* bits = reinterpret_cast<const uint32_t*>(src.constBits());
    const qsizetype stride = src.bytesPerLine() / 4;
    const double cy = y + 0.5;
    Fixed from = sourceAt(inv, 0.5, cy, maxU, maxV);
    for (int x0 = 0; x0 < width; x0 += kSpan) {
        const int n = std::min(kSpan, width - x0);
        const Fixed to = sourceAt(inv, x0 + n + 0.5, cy, maxU, maxV);
        const int32_t du = (to.u - from.u) / n, dv = (to.v - from.v) / n;
        int32_t u = from.u, v = from.v;
        for (int i = 0; i < n; ++i, u += du, v += dv) {
            const uint32_t* p = bits + (v >> 16) * stride + (u >> 16);
            const uint32_t fx = (u >> 8) & 0xff, fy = (v >> 8) & 0xff;
            out[x0 + i] = bilinear(p, stride, fx, fy);
        }
        from = to;
    }
}

}  // namespace

void Keystone::correctInto(const QImage& frame, const Corners& corners, QImage& target) {
    const auto t = transform(corners, frame.size(), target.size());
    bool invertible = false;
    const QTransform inv = t ? t->inverted(&invertible) : QTransform();
    if (invertible && t->isAffine()) {
        affineInto(frame, *t, target);
        return;
    }
    const bool direct =
        invertible && frame.width() >= 2 && frame.height() >= 2 &&
        (frame.format() == QImage::Format_RGB32 || frame.format() == QImage::Format_ARGB32) &&
        target.format() == QImage::Format_RGB32;
    if (direct) {
        for (int y = 0; y < target.height(); ++y)
            warpRow(frame, inv, y, reinterpret_cast<uint32_t*>(target.scanLine(y)), target.width());
        return;
    }
    drawInto(frame, corners, target);
}

void Keystone::affineInto(const QImage& frame, const QTransform& t, QImage& target) {
    if (t.type() == QTransform::TxNone && frame.size() == target.size() &&
        frame.format() == target.format()) {
        const qsizetype bytes = std::min(frame.bytesPerLine(), target.bytesPerLine());
        for (int y = 0; y < target.height(); ++y)
            std::memcpy(target.scanLine(y), frame.constScanLine(y), size_t(bytes));
        return;
    }
    // The corners lie inside the frame, so the transformed frame covers the whole target: no fill
    // first. Qt's scaling and affine paths are vectorised and need no division per pixel.
    QPainter painter(&target);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.setTransform(t);
    painter.drawImage(0, 0, frame);
}

void Keystone::drawInto(const QImage& frame, const Corners& corners, QImage& target) {
    target.fill(Qt::black);
    if (frame.isNull()) return;
    QPainter painter(&target);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const auto t = transform(corners, frame.size(), target.size());
    if (t) {
        painter.setTransform(*t);
        painter.drawImage(0, 0, frame);
    } else {
        painter.drawImage(target.rect(), frame);
    }
}

}  // namespace camera::sdk
