#pragma once

namespace platform {

// Ends the process with the signal itself, so its exit status tells what happened. Safe to call
// from a handler of that signal.
[[noreturn]] void endBySignal(int sig);

}  // namespace platform
