#include "QrLayout.h"

namespace cloud {

QrPlacement placeQr(int w, int h) {
    const int q = h < w ? h : w;
    const int side = q - 10 > 0 ? q - 10 : 0;
    return {(w - q + 10) / 2, (h - q + 10) / 2, side};
}

UsableArea usableArea(int outerWidth, int outerHeight, int frameX, int frameY, int caption) {
    return {outerWidth - 4 * frameX, outerHeight - 4 * frameY - 2 * caption};
}

}  // namespace cloud
