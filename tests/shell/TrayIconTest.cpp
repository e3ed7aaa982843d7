// The tray icon's tooltip.
#include "shell/ui/TrayIcon.h"

#include <gtest/gtest.h>

TEST(TrayIconTest, TooltipNamesTheBoardsAndIsCut) {
    const auto texts = [](int id) { return QStringLiteral("<%1>").arg(id); };
    EXPECT_EQ(TrayIcon::addTooltip(texts, 0), "<20003>\n<20004><20006>");
    EXPECT_EQ(TrayIcon::addTooltip(texts, 2), "<20003>\n<20004><20005>(2)");
    const auto longTexts = [](int) { return QString(100, 'x'); };
    EXPECT_EQ(TrayIcon::addTooltip(longTexts, 1).size(), 127);
}
