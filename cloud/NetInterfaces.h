#pragma once
// This computer's network addresses and default routes, as the kernel reports them now.
#include "cloud/RoomAddresses.h"

#include <vector>

namespace cloud {

std::vector<NetAddress> systemAddresses();
QStringList systemDefaultRoutes();

}  // namespace cloud
