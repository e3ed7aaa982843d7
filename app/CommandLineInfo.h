#pragma once
// What the program answers on the command line without starting: --help and --version.
// Needs no window system, so it runs before the application object exists.
#include <optional>
#include <ostream>

class CommandLineInfo {
public:
    // When an argument is "--help" or "--version" (the first such one counts), writes the answer
    // to out and gives the exit code: 0, or 1 when the answer could not be written. Otherwise
    // gives nothing and the program starts as usual, every argument untouched.
    static std::optional<int> answer(int argc, const char* const* argv, std::ostream& out);

    // The program's version, from the build.
    static const char* version();
};
