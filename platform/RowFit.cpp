#include "RowFit.h"

#include <algorithm>
#include <cstddef>

namespace platform {

int fitRow(std::vector<QRect>& row, const std::vector<int>& needed) {
    int shift = 0;
    for (std::size_t i = 0; i < row.size(); ++i) {
        QRect& r = row[i];
        r.translate(shift, 0);
        const int need = i < needed.size() ? needed[i] : 0;
        if (need > r.width()) {
            shift += need - r.width();
            r.setWidth(need);
        }
    }
    return shift;
}

int widthHolding(int templateWidth, const std::vector<QRect>& rects, int margin) {
    int width = templateWidth;
    for (const QRect& r : rects) width = std::max(width, r.x() + r.width() + margin);
    return width;
}

}  // namespace platform
