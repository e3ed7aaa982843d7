#include "TrayMenuModel.h"

#include "lang/TextIds.h"

#include <algorithm>

namespace tray {

namespace {

MenuEntry& entry(std::vector<MenuEntry>& entries, int command) {
    return *std::find_if(entries.begin(), entries.end(),
                         [command](const MenuEntry& e) { return e.command == command; });
}

}  // namespace

std::vector<MenuEntry> menuEntries(const MenuState& state) {
    std::vector<MenuEntry> entries = {
        {kCmdFirmware, text::kMenuFirmware},   {kCmdCalibration, text::kMenuCalibration},
        {kCmdAdjust, text::kMenuAdjust},       {kCmdLinkWhiteboard, text::kMenuLinkWhiteboard},
        {kCmdSwap, text::kMenuSwap},           {kCmdDualScreen, text::kMenuDualScreen},
        {kCmdAutostart, text::kMenuAutostart}, {kCmdAbout, text::kMenuAbout},
        {kCmdExit, text::kMenuExit},
    };
    if (state.cameraCount < 1)
        for (int c : {kCmdFirmware, kCmdCalibration, kCmdAdjust, kCmdLinkWhiteboard, kCmdSwap,
                      kCmdDualScreen})
            entry(entries, c).enabled = false;
    if (state.cameraCount < 2) {
        entry(entries, kCmdSwap).enabled = false;
        entry(entries, kCmdDualScreen).enabled = false;
    } else {
        entry(entries, kCmdSwap).enabled = true;
        entry(entries, kCmdDualScreen).enabled = true;
        entry(entries, kCmdDualScreen).checked = state.dualScreen;
    }
    entry(entries, kCmdAutostart).checked = state.autostart;
    entry(entries, kCmdCalibration).checked = state.calibration;
    entry(entries, kCmdLinkWhiteboard).checked = state.boardLinked;
    // Last, so it also overrides the no-camera rule.
    entry(entries, kCmdLinkWhiteboard).enabled = state.whiteboardRunning;
    return entries;
}

}  // namespace tray
