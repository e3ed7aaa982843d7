#include "KeyTable.h"

namespace shell {

namespace {

// Keys 2 to 5: the program in front gets them while the view is hidden.
KeyAction pageOrZoom(int keyType, Face face) {
    if (face == Face::Hidden) return KeyAction::SendToFront;
    const bool picture = face == Face::Picture;
    switch (keyType) {
        case kKeyNext: return picture ? KeyAction::NextPicture : KeyAction::CaptureShow;
        case kKeyPrevious: return picture ? KeyAction::PreviousPicture : KeyAction::CaptureShow;
        case kKeyZoomOut: return picture ? KeyAction::ZoomOut : KeyAction::None;
        default: return picture ? KeyAction::ZoomIn : KeyAction::None;
    }
}

}  // namespace

KeyAction keyAction(int keyType, Face face) {
    switch (keyType) {
        case kKeyClearAll: return KeyAction::AskClearAll;
        case kKeyNext:
        case kKeyPrevious:
        case kKeyZoomOut:
        case kKeyZoomIn: return pageOrZoom(keyType, face);
        case kKeyShare: return KeyAction::Share;
        case kKeyLive: return face == Face::Hidden ? KeyAction::ShowViewThenLive : KeyAction::Live;
        case kKeyCapture:
            return face == Face::Picture ? KeyAction::None : KeyAction::CaptureShowOrHandOff;
        case kKeyHideCapture:
            return face == Face::Hidden ? KeyAction::ShowView : KeyAction::HideAndCapture;
        case kKeyCommandD: return KeyAction::CommandD;
        default: return KeyAction::None;
    }
}

}  // namespace shell
