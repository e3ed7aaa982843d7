#pragma once
// The tray menu's entries, in menu order, and which are enabled and checked in a given state.
#include <vector>

namespace tray {

// Command ids of the tray menu.
inline constexpr int kCmdFirmware = 10000;
inline constexpr int kCmdAdjust = 10001;
inline constexpr int kCmdExit = 10002;
inline constexpr int kCmdLinkWhiteboard = 10003;
inline constexpr int kCmdAbout = 10004;
inline constexpr int kCmdCalibration = 10005;
inline constexpr int kCmdDualScreen = 10006;
inline constexpr int kCmdSwap = 32776;
inline constexpr int kCmdAutostart = 32777;

struct MenuState {
    int cameraCount = 0;
    bool dualScreen = false;
    bool autostart = false;
    bool calibration = false;
    bool boardLinked = false;
    bool whiteboardRunning = false;
};

struct MenuEntry {
    int command;
    int textId;
    bool enabled = true;
    bool checked = false;
};

std::vector<MenuEntry> menuEntries(const MenuState& state);

}  // namespace tray
