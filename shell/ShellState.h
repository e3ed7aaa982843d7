#pragma once
// What the main window is doing, as the rules of its keys, commands and messages see it. The
// dual-screen, swap and board-link flags stay with the application object, which keeps them for
// the whole run; the rules reach them through the world.
#include <cstdint>

namespace shell {

struct ShellState {
    bool viewShown = true;      // the user interface is visible
    bool pictureShown = false;  // a stored picture instead of live video
    bool calibration = false;
    bool captureBusy = false;  // capture keys wait until the picture is ready
    bool linkDeclined = false;  // the teacher said no to linking the whiteboard
    int lastKeyType = 0;
    int64_t lastKeyTime = 0;
    bool boxAllowed = true;  // one "no picture" / "being deleted" box at a time
    bool calibrationPromptOpen = false;
    bool shutDown = false;
    bool trayPresent = true;        // a tray holds the icon: a hidden view comes back from it
    bool awaitingTray = false;      // a hidden start waits for a tray that may still come
    bool trayClickPending = false;  // a left click waits to be told apart from a double click
    bool restoreShown = false;      // the button that stands in for a missing tray
};

// The three faces of the window a key can meet.
enum class Face { Hidden, Live, Picture };

inline Face faceOf(const ShellState& s) {
    if (!s.viewShown) return Face::Hidden;
    return s.pictureShown ? Face::Picture : Face::Live;
}

}  // namespace shell
