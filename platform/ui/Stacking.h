#pragma once
// Windows that must stay above another of ours. Window managers (xfwm4, metacity, openbox) stack a
// utility window above its whole group, so a window meant above it has to be its transient.
class QWidget;

namespace platform {

// Makes child a transient of owner (once both have native windows) and shows it on top with the
// focus: opened from the tray or a menu, another program may have had it.
void showAbove(QWidget& owner, QWidget& child);

}  // namespace platform
