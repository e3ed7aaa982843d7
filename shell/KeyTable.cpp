#include "KeyTable.h"

#include "lang/TextIds.h"

#include <Qt>

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

int keyTypeOfKey(int qtKey) {
    switch (qtKey) {
        case Qt::Key_Space:
        case Qt::Key_Return:
        case Qt::Key_Enter: return kKeyCapture;
        // Presenter remotes send Page Down and Page Up for next and previous.
        case Qt::Key_Right:
        case Qt::Key_PageDown: return kKeyNext;
        case Qt::Key_Left:
        case Qt::Key_PageUp: return kKeyPrevious;
        case Qt::Key_Minus: return kKeyZoomOut;
        case Qt::Key_Plus:
        case Qt::Key_Equal: return kKeyZoomIn;
        case Qt::Key_S: return kKeyShare;
        // Their "start the show" and "blank the screen" keys.
        case Qt::Key_Escape:
        case Qt::Key_F5: return kKeyLive;
        case Qt::Key_B:
        case Qt::Key_Period: return kKeyHideCapture;
        case Qt::Key_Delete: return kKeyClearAll;
        default: return 0;
    }
}

const std::vector<KeyHelp>& keyHelp() {
    static const std::vector<KeyHelp> rows{
        {{Qt::Key_Space, Qt::Key_Return}, text::kKeyCapture},
        {{Qt::Key_PageDown, Qt::Key_Right}, text::kKeyNext},
        {{Qt::Key_PageUp, Qt::Key_Left}, text::kKeyPrevious},
        {{Qt::Key_Plus, Qt::Key_Minus}, text::kKeyZoom},
        {{Qt::Key_Escape, Qt::Key_F5}, text::kKeyLive},
        {{Qt::Key_B, Qt::Key_Period}, text::kKeyHideCapture},
        {{Qt::Key_S}, text::kKeyShare},
        {{Qt::Key_Delete}, text::kKeyClearAll},
    };
    return rows;
}

}  // namespace shell
