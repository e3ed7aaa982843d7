#pragma once
// Controls keep their template's place and size while their text fits; a text that would be cut
// widens its control instead, and what lies after it in the row moves along.
#include <QRect>

#include <vector>

namespace platform {

// Widens each rect of a left-to-right row to at least the width its text needs (needed[i]; 0 or
// less for none), moving every rect after a widened one right by as much. Rects that already fit
// keep their place and size. Returns how much further right the row now ends.
int fitRow(std::vector<QRect>& row, const std::vector<int>& needed);

// The width of a window that holds every rect with the given margin after the right-most one,
// never less than the template's width.
int widthHolding(int templateWidth, const std::vector<QRect>& rects, int margin);

}  // namespace platform
