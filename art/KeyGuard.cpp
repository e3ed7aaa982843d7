#include "art/KeyGuard.h"

#include <array>
#include <cstdlib>

namespace art {
namespace {
constexpr int kKey = 0x8E;
constexpr int kKeyMargin = 2;
}  // namespace

bool nearKey(QRgb straight) {
    auto near = [](int c) { return std::abs(c - kKey) <= kKeyMargin; };
    return near(qRed(straight)) && near(qGreen(straight)) && near(qBlue(straight));
}

// Antialiased edges between light and dark parts can blend into any grey, the key among them.
// The check runs on the colour as a compositor reads it back, so rounding of faint edge pixels
// cannot bring the key back.
void keepClearOfKey(QImage& img) {
    if (img.format() != QImage::Format_ARGB32_Premultiplied)
        img = img.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    static constexpr std::array kDarker = {0x80, 0x60, 0x40, 0x00};
    for (int y = 0; y < img.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < img.width(); ++x) {
            const int alpha = qAlpha(line[x]);
            if (alpha == 0 || !nearKey(qUnpremultiply(line[x]))) continue;
            for (int grey : kDarker) {
                line[x] = qPremultiply(qRgba(grey, grey, grey, alpha));
                if (!nearKey(qUnpremultiply(line[x]))) break;
            }
        }
    }
}

}  // namespace art
