#pragma once
// Hands pictures of the store to the whiteboard program through its relay, one after the other.
#include "pictures/PicListHost.h"

namespace pictures {

class BoardHandOff {
public:
    explicit BoardHandOff(PicListHost& host) : m_host(host) {}

    // The display scale of the primary screen: its DPI over 96.
    float DisplayScale() const;

    // Hands picture n over and returns when the relay has ended. False, with nothing sent, when
    // the picture gives no size (missing or unreadable).
    bool HandOffPicture(int n);

    // After a capture with tag 0. Hands the new picture over while linked to a running
    // whiteboard, asking to link when one runs and the user has not declined; the view is then
    // hidden and the result is true. False when the picture is to be shown as usual; a link
    // whose whiteboard has gone is dropped.
    bool HandOffNewPicture(int n);

private:
    void handOffAndHide(int n);

    PicListHost& m_host;
};

}  // namespace pictures
