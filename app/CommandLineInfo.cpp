#include "CommandLineInfo.h"

#include <string_view>

namespace {

constexpr std::string_view kHelp =
    "Usage: ostrely [-Start]\n"
    "Companion program of the classroom document camera: live view of the board, pictures\n"
    "at a key press on the button board, picture list, PDF export and sharing.\n"
    "\n"
    "  -Start     start in the background, as at log-on: only the tray icon shows\n"
    "  --help     show this help and exit\n"
    "  --version  show the version and exit\n"
    "\n"
    "Settings are read from $OSTRELY_COMMON_APPDATA, else $XDG_CONFIG_HOME, else ~/.config.\n"
    "OSTRELY_CAMERA=sim and OSTRELY_BOARD=sim give a simulated camera and button board.\n"
    "See ostrely(1).\n";

}  // namespace

const char* CommandLineInfo::version() {
    return OSTRELY_VERSION;
}

std::optional<int> CommandLineInfo::answer(int argc, const char* const* argv, std::ostream& out) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i] != nullptr ? argv[i] : "";
        if (arg == "--help") {
            out << kHelp;
        } else if (arg == "--version") {
            out << "Ostrely " << version() << '\n';
        } else {
            continue;
        }
        out.flush();
        return out ? 0 : 1;
    }
    return std::nullopt;
}
