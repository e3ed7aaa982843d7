// --help and --version: answered and ended; every other command line starts the program.
#include "app/CommandLineInfo.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

std::optional<int> answerFor(const std::vector<const char*>& args, std::ostream& out) {
    std::vector<const char*> argv{"/usr/lib/ostrely/Ostrely"};
    argv.insert(argv.end(), args.begin(), args.end());
    return CommandLineInfo::answer(static_cast<int>(argv.size()), argv.data(), out);
}

}  // namespace

TEST(CommandLineInfo, HelpAndVersionAreAnsweredWhereverTheyStand) {
    std::ostringstream version;
    EXPECT_EQ(answerFor({"--version"}, version), 0);
    EXPECT_EQ(version.str(), "Ostrely " + std::string(CommandLineInfo::version()) + "\n");
    EXPECT_STRNE(CommandLineInfo::version(), "");

    std::ostringstream help;
    EXPECT_EQ(answerFor({"--help"}, help), 0);
    EXPECT_NE(help.str().find("Usage: ostrely"), std::string::npos);
    EXPECT_NE(help.str().find("-Start"), std::string::npos);

    std::ostringstream later;
    EXPECT_EQ(answerFor({"-Start", "--help", "--version"}, later), 0);
    EXPECT_EQ(later.str(), help.str()) << "the first of them counts, and only once";
}

TEST(CommandLineInfo, OtherCommandLinesStartTheProgramAndPrintNothing) {
    for (const std::vector<const char*>& args : {std::vector<const char*>{},
                                                 {"-Start"},
                                                 {"-Start", "x"},
                                                 {"--Help"},
                                                 {"-h"},
                                                 {"-version"},
                                                 {"--versions"},
                                                 {"--help=1"},
                                                 {""}}) {
        std::ostringstream out;
        EXPECT_FALSE(answerFor(args, out).has_value()) << (args.empty() ? "(none)" : args[0]);
        EXPECT_EQ(out.str(), "");
    }
}

TEST(CommandLineInfo, AnAnswerThatCannotBeWrittenFails) {
    std::ostringstream closed;
    closed.setstate(std::ios::badbit);
    EXPECT_EQ(answerFor({"--version"}, closed), 1);
}
