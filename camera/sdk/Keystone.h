#pragma once
// Keystone correction: the quadrilateral of the four corners mapped onto a rectangle.
#include "camera/sdk/Corners.h"

#include <QImage>
#include <QSize>
#include <QTransform>

#include <optional>

namespace camera::sdk {

class Keystone {
public:
    // The projective map from the corner quadrilateral of a frame of frameSize onto {0,0,out}.
    // None when the corners are degenerate.
    static std::optional<QTransform> transform(const Corners& corners, QSize frameSize, QSize out);

    // The corrected picture of out size (bilinear); a plain scale when the corners are degenerate.
    static QImage correct(const QImage& frame, const Corners& corners, QSize out);
    // The same into an existing image of the wanted size, so a live view reuses its buffer.
    // Corners that make no true perspective (the full frame, a plain scale, any affine map) are
    // copied or scaled. Otherwise RGB32 frames take a fixed-point bilinear warp of our own (about
    // twice as fast as QPainter's projective path on one core); other formats go through QPainter.
    static void correctInto(const QImage& frame, const Corners& corners, QImage& target);
    // The same through QPainter with smooth transformation.
    static void drawInto(const QImage& frame, const Corners& corners, QImage& target);

private:
    static void affineInto(const QImage& frame, const QTransform& t, QImage& target);
};

}  // namespace camera::sdk
