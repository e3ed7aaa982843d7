#pragma once
// Where the QR picture goes in the view: the largest square that fits the usable area, less
// 10 pixels, centred.
namespace cloud {

struct QrPlacement {
    int x;
    int y;
    int side;
};

QrPlacement placeQr(int usableWidth, int usableHeight);

// The usable area of a window of outer size W x H with the given frame and caption metrics.
struct UsableArea {
    int width;
    int height;
};
UsableArea usableArea(int outerWidth, int outerHeight, int frameX, int frameY, int caption);

}  // namespace cloud
