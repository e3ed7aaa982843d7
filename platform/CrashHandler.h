#pragma once
#include <QString>

namespace platform {

// On a fatal signal (segmentation fault, bus error, illegal instruction, arithmetic fault, abort)
// writes a crash report to dumpPath — signal, faulting address, thread, stack and the memory map
// needed to resolve it — prints "***Unhandled Exception!***" and ends the process with that signal.
// The path is fixed at installation, since nothing may be looked up inside the handler.
class CrashHandler {
public:
    static bool install(const QString& dumpPath);
};

}  // namespace platform
