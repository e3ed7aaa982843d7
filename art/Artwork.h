#pragma once
// The program's icons and button bitmaps, drawn from vector sources compiled into the program.
// Nothing rendered here ever holds the overlay's transparency key colour (0x8E8E8E) or a colour
// within 2 of it in every channel, so no bitmap can show holes on the see-through overlay.
#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QSize>

namespace art {

// True when the id names one of the program's icons or bitmaps.
bool exists(int resourceId);

// The bitmap at size * dpr device pixels, aspect kept and centred, transparent around the shape.
// Null for an unknown id, an empty size or one beyond kMaxSide device pixels. Safe on any thread.
QImage image(int resourceId, QSize size, qreal dpr = 1.0);

// As image(), as a pixmap with the ratio set, cached per (id, size, dpr). GUI thread only.
QPixmap pixmap(int resourceId, QSize size, qreal dpr = 1.0);

// An icon holding the common tray, window and launcher sizes; null for an unknown id.
QIcon icon(int resourceId);

inline constexpr int kMaxSide = 4096;

}  // namespace art
