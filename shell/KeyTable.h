#pragma once
// What a key of the button board does in each face of the window.
#include "shell/ShellState.h"

#include <vector>

namespace shell {

// Key types of the button board.
enum Key : int {
    kKeyClearAll = 1,
    kKeyNext = 2,
    kKeyPrevious = 3,
    kKeyZoomOut = 4,
    kKeyZoomIn = 5,
    kKeyShare = 6,
    kKeyLive = 7,
    kKeyCapture = 8,
    kKeyHideCapture = 9,
    kKeyCommandD = 10,
};

// Capture tags: what the picture-ready message does with the new picture.
inline constexpr int kTagShowOrHandOff = 0;
inline constexpr int kTagKeepHidden = 1;
inline constexpr int kTagShow = 2;

// The same key type again within this time is a bounce, not a press.
inline constexpr int kRepeatMs = 500;

enum class KeyAction {
    None,
    AskClearAll,
    SendToFront,  // the key of a presentation program in front (Page Down, Page Up, -, +)
    CaptureShow,
    NextPicture,
    PreviousPicture,
    ZoomOut,
    ZoomIn,
    Share,
    ShowViewThenLive,
    Live,
    CaptureShowOrHandOff,
    HideAndCapture,
    ShowView,
    CommandD,
};

KeyAction keyAction(int keyType, Face face);

// The keyboard as a second board: the key type a key of the keyboard or of a presenter remote
// stands for (Qt's key code), 0 for none.
int keyTypeOfKey(int qtKey);

// The keyboard's keys as the About dialog lists them: the keys of one row (Qt's key codes) do
// what the text says.
struct KeyHelp {
    std::vector<int> keys;
    int textId;
};
const std::vector<KeyHelp>& keyHelp();

}  // namespace shell
