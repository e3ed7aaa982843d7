#include "ViewGeometry.h"

namespace view {

camera::DisplayRect ComputeFitRect(QSize workArea, QSize video) {
    const int W = workArea.width();
    const int H = workArea.height();
    const int vw = video.width();
    const int vh = video.height();
    if (vw <= 0 || vh <= 0) return {0, 0, W - W % 4, H};
    // 64-bit products: a 4K screen times a 4K video height overflows 32 bits.
    int h = static_cast<int>(int64_t{W} * vh / vw);
    int w = W;
    if (h > H) {
        w = static_cast<int>(int64_t{vw} * H / vh);
        h = static_cast<int>(int64_t{w} * vh / vw);
    }
    w -= w % 4;
    return {(W - w) / 2, (H - h) / 2, w, h};
}

camera::DisplayRect ComputeSideBySideRect(QSize workArea, QSize video) {
    const int W = workArea.width();
    const int H = workArea.height();
    if (video.width() <= 0 || video.height() <= 0) return {0, 0, W - W % 4, H};
    const float r = static_cast<float>(video.height()) / (2.0f * static_cast<float>(video.width()));
    int h = static_cast<int>(static_cast<float>(W) * r);
    int w = W;
    if (h > H) {
        h = H;
        w = static_cast<int>(static_cast<float>(H) / r);
    }
    w -= w % 4;
    return {(W - w) / 2, (H - h) / 2, w, h};
}

camera::DisplayRect leftHalf(const camera::DisplayRect& both) {
    return {both.x, both.y, both.width / 2, both.height};
}

camera::DisplayRect rightHalf(const camera::DisplayRect& both) {
    return {both.x + both.width / 2, both.y, both.width / 2, both.height};
}

}  // namespace view
