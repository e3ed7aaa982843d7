#pragma once
// Under which name a camera's calibration and kept settings are filed. A camera's usual name comes
// from its serial; two cameras that report the same serial are told apart by their place on the
// bus, and each keeps its own files from then on.
#include <QString>

#include <functional>

namespace camera::sdk {

struct CameraKeys {
    QString key;   // read and written
    QString seed;  // read while nothing is filed under key yet; empty for none
    bool operator==(const CameraKeys&) const = default;
};

class CameraIdentity {
public:
    // plain: the usual name; port: the name with the place on the bus (empty: none); shared:
    // another connected camera has the same plain name; filed: whether anything is kept under a
    // name.
    static CameraKeys resolve(const QString& plain, const QString& port, bool shared,
                              const std::function<bool(const QString&)>& filed);
};

}  // namespace camera::sdk
