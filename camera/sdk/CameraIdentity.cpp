#include "CameraIdentity.h"

namespace camera::sdk {

CameraKeys CameraIdentity::resolve(const QString& plain, const QString& port, bool shared,
                                   const std::function<bool(const QString&)>& filed) {
    if (port.isEmpty()) return {plain, {}};
    const bool ownFiles = filed(port);
    // Both start from what they shared, the files a single camera of this serial had.
    if (shared) return {port, ownFiles ? QString() : plain};
    // Alone again, a camera that was told apart keeps what it was given at its place.
    return {ownFiles ? port : plain, {}};
}

}  // namespace camera::sdk
