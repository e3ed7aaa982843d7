#include "shell/PanelLayout.h"

#include <algorithm>

namespace panel {

namespace {
int right(const QRect& r) {
    return r.x() + r.width();
}
int bottom(const QRect& r) {
    return r.y() + r.height();
}
int times(double factor, int step) {
    return static_cast<int>(factor * step);
}
}  // namespace

int computeStep(const QRect& workArea) {
    const int smaller = std::max(0, std::min(right(workArea), bottom(workArea)));
    const int a = smaller / 15;
    return std::min(a, 110) / 10 * 10;
}

QPoint startPosition(const QRect& workArea) {
    return {static_cast<int>(0.8 * right(workArea)), static_cast<int>(0.8 * bottom(workArea))};
}

QRect openRect(const QRect& panel, const QRect& workArea, int step, bool drawingMode) {
    const int height = times(drawingMode ? 7.2 : 5.2, step);
    const int width = drawingMode ? 2 * step : step;
    int left = panel.x();
    int top = panel.y();
    if (top + height > bottom(workArea)) top = bottom(workArea) - height;
    if (drawingMode && left + 2 * step > right(workArea)) left = right(workArea) - 2 * step;
    return {left, top, width, height};
}

QRect commandButtonRect(int index, int step) {
    return {0, times(1.2 + index, step), step, step};
}

QRect penButtonRect(int index, int step) {
    return {step, times(2.2 + index, step), step, step};
}

QPoint keepInside(const QPoint& wanted, const QSize& parent, const QSize& panel) {
    int x = std::max(wanted.x(), 0);
    int y = std::max(wanted.y(), 0);
    x = std::min(x, parent.width() - panel.width());
    y = std::min(y, parent.height() - panel.height());
    return {x, y};
}

QPoint pictureListPosition(const camera::DisplayRect& view, const QSize& list) {
    return {view.width + 2 * view.x - list.width(), (view.height + 2 * view.y - list.height()) / 2};
}

}  // namespace panel
