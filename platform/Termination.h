#pragma once
#include <functional>

namespace platform {

// Turns SIGTERM, SIGINT and SIGHUP (the session ending, a service manager stopping us) into a
// call of quit on the event loop, so windows close and devices are released in order.
// Call once, after the application object exists.
bool quitOnTermination(std::function<void()> quit);

}  // namespace platform
