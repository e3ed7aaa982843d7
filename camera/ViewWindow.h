#pragma once
// A camera's video window as the controller places it; the SDK draws into it.
#include "camera/DisplayRect.h"
#include "camera/sdk/VideoSink.h"

namespace camera {

class ViewWindow : public sdk::VideoSink {
public:
    virtual void placeWindow(const DisplayRect& rect) = 0;
    virtual void showWindow(bool show) = 0;
};

}  // namespace camera
