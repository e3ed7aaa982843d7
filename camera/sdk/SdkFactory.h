#pragma once
// The SDK for a backend name.
#include "camera/sdk/CameraSdk.h"

#include <memory>

namespace camera::sdk {

class SdkFactory {
public:
    // "sim" one simulated camera, "sim2" two; anything else the V4L2 cameras (OSTRELY_UVC_ANY=1
    // admits every UVC camera).
    static std::unique_ptr<CameraSdk> create(const QString& backend);
};

}  // namespace camera::sdk
