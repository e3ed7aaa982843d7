#pragma once
// Keeps bitmaps clear of the overlay's transparency key RGB(0x8E, 0x8E, 0x8E): a pixel of that
// colour vanishes on the see-through overlay, and one within 2 of it may after scaling.
#include <QImage>
#include <QRgb>

namespace art {

// True when every channel of the (not premultiplied) colour lies within 2 of the key.
bool nearKey(QRgb straight);

// Moves every pixel of a premultiplied ARGB32 image that reads back near the key to a darker
// grey of the same alpha. Images of another format are converted first.
void keepClearOfKey(QImage& img);

}  // namespace art
