#include "platform/CommandLine.h"

#include "tests/support/QtPrinters.h"

#include <gtest/gtest.h>

using platform::splitCommandLine;

TEST(CommandLine, QuotesGroupBlanksAndBackslashesEscapeOnlyBeforeAQuote) {
    EXPECT_EQ(splitCommandLine("open \"/opt/my prog/Ostrely -Start\""),
              QStringList({"open", "/opt/my prog/Ostrely -Start"}));
    EXPECT_EQ(splitCommandLine("  close  "), QStringList({"close"}));
    EXPECT_EQ(splitCommandLine(""), QStringList());
    EXPECT_EQ(splitCommandLine("a\\\\b c"), QStringList({"a\\\\b", "c"}));
    EXPECT_EQ(splitCommandLine("\"a\\\"b\" c"), QStringList({"a\"b", "c"}));
    EXPECT_EQ(splitCommandLine("\"a\\\\\" b"), QStringList({"a\\", "b"}));
    EXPECT_EQ(splitCommandLine("\"\" x"), QStringList({"", "x"}));
    EXPECT_EQ(splitCommandLine("\"say \"\"hi\"\"\""), QStringList({"say \"hi\""}));
    EXPECT_EQ(splitCommandLine("\"unterminated arg"), QStringList({"unterminated arg"}));
}
