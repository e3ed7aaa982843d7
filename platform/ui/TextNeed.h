#pragma once
// How wide a control must be to show its whole text in its own font and style, measured the way
// the style lays the text out (no minimum widths of the style's own).
class QWidget;

namespace platform {

// 0 for a control without text or of a kind that shows none.
int textWidthNeeded(const QWidget& control);

}  // namespace platform
