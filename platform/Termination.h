#pragma once
#include <functional>

namespace platform {

// Turns SIGTERM, SIGINT and SIGHUP (the session ending, a service manager stopping us) into a
// call of quit on the event loop, so windows close and devices are released in order.
// Call once, after the application object exists.
// Until quitInOrderFromNow is called the signal ends the process at once: start-up may wait on
// something that never comes (a child program, a device), and nothing needs closing in order yet.
bool quitOnTermination(std::function<void()> quit);

// From here on the signal reaches quit through the event loop.
void quitInOrderFromNow();

}  // namespace platform
