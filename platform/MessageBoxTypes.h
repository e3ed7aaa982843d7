#pragma once
// Message-box types and results, with the numbers the program's callers pass around.

namespace platform {

enum MessageBoxType : unsigned {
    kMbOk = 0x0,
    kMbOkCancel = 0x1,
    kMbIconError = 0x10,
    kMbIconWarning = 0x30,
    kMbIconInformation = 0x40,
    kMbSystemModal = 0x1000,
};

enum MessageBoxResult : int { kIdOk = 1, kIdCancel = 2 };

}  // namespace platform
