#pragma once
// Which of Qt's window-system plugins the program asks for. Policy: where an X display exists
// (X11, or XWayland on a Wayland desktop) the program runs on it, so the window manager's
// stacking, the placement on the work area and the keys sent to the program in front behave as
// they do on X11; a native Wayland program cannot place itself nor send keys to others. Without
// any X display, native Wayland. A plugin the teacher asked for comes first, and the others
// follow it, so a missing plugin falls back instead of ending the program.
#include <QByteArray>
#include <QString>

namespace platform {

QByteArray choosePlatform(const QByteArray& requested, bool x11Display, bool waylandDisplay);

// Qt's last word when no plugin could be loaded: the program then ends with a message and
// status 1 instead of aborting.
bool isMissingPlatform(const QString& fatalText);

// Both, from the environment, before the application object exists.
void applyDisplayPolicy();

}  // namespace platform
