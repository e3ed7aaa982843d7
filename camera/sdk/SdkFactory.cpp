#include "SdkFactory.h"

#include "camera/sdk/DeviceSdk.h"
#include "camera/sdk/SimBackend.h"
#include "camera/sdk/V4l2Backend.h"

namespace camera::sdk {

std::unique_ptr<CameraSdk> SdkFactory::create(const QString& backend) {
    if (backend == "sim" || backend == "sim2") {
        SimOptions options = SimOptions::fromEnvironment();
        options.cameras = backend == "sim2" ? 2 : 1;
        return std::make_unique<DeviceSdk>(std::make_unique<SimBackend>(options));
    }
    const bool any = qgetenv("OSTRELY_UVC_ANY") == "1";
    return std::make_unique<DeviceSdk>(std::make_unique<V4l2Backend>(any));
}

}  // namespace camera::sdk
