#pragma once
#include <QString>

namespace platform {

// On a fatal signal (segmentation fault, bus error, illegal instruction, arithmetic fault, abort)
// writes a crash report to dumpPath — signal, faulting address, thread, stack and the memory map
// needed to resolve it — prints "***Unhandled Exception!***" and ends the process with that signal.
// The last kKeptReports reports stay: the newest at dumpPath, the older ones at dumpPath + ".1"
// (the one before) up to ".4"; a report is always a new file, never written through a link.
// The paths are fixed at installation, since nothing may be looked up inside the handler.
class CrashHandler {
public:
    static constexpr int kKeptReports = 5;

    static bool install(const QString& dumpPath);
};

}  // namespace platform
