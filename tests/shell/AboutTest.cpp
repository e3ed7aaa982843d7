#include "RecorderHost.h"

#include "shell/ui/AboutDlg.h"
#include "lang/TextIds.h"
#include "tests/support/CutTexts.h"
#include "tests/support/PackTexts.h"
#include "tests/support/QtPrinters.h"
#include "tests/support/TextPlace.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QTimer>

TEST(About, OneCameraLeavesTheLastLineEmpty) {
    RecorderHost host;
    CAboutDlg about(host, plainPixmaps());
    about.DoDataExchange();
    EXPECT_EQ(about.windowTitle(), "About Demo");
    EXPECT_EQ(about.lines(),
              (QStringList{"Software version", "v1.0", "Hardware version", "fw-0", ""}));
    EXPECT_TRUE(about.isOpen());
}

TEST(About, TwoCamerasShowTheSecondVersion) {
    RecorderHost host;
    host.cameras = 2;
    CAboutDlg about(host, plainPixmaps());
    about.DoDataExchange();
    EXPECT_EQ(about.lines().last(), "fw-1");
}

TEST(About, EndingWithOkLetsItOpenAgain) {
    RecorderHost host;
    CAboutDlg about(host, plainPixmaps());
    bool seenOpen = false;
    QTimer::singleShot(0, &about, [&] {
        seenOpen = about.isOpen();
        about.accept();
    });
    about.exec();
    EXPECT_TRUE(seenOpen);
    EXPECT_FALSE(about.isOpen());
    about.show();
    EXPECT_TRUE(about.isOpen());
    about.close();
    EXPECT_FALSE(about.isOpen());
}

TEST(About, ListsTheKeyboardsKeysInThePacksWords) {
    RecorderHost host;
    CAboutDlg about(host, plainPixmaps());
    about.DoDataExchange();
    const QStringList keys = about.keyLines();
    ASSERT_EQ(keys.size(), 8);
    EXPECT_EQ(keys.first(), QStringLiteral("Space, Return: #%1").arg(text::kKeyCapture));
    EXPECT_TRUE(keys.contains(QStringLiteral("PgDown, Right: #%1").arg(text::kKeyNext)))
        << keys.join('\n').toStdString();
}

TEST(About, EveryPacksTextsShowWhole) {
    for (const QString& code : testsupport::packCodes()) {
        RecorderHost host;
        host.cameras = 2;
        host.pack = testsupport::readPack(code);
        ASSERT_FALSE(host.pack.empty()) << code.toStdString();
        CAboutDlg about(host, plainPixmaps());
        if (code == "ar") about.setLayoutDirection(Qt::RightToLeft);
        about.show();
        QApplication::processEvents();  // the texts set on showing are laid out
        EXPECT_EQ(testsupport::cutTexts(about).join(u'\n').toStdString(), "") << code.toStdString();
        // Key names read left-to-right in every language, yet keep to the column's leading edge.
        EXPECT_EQ(testsupport::misplacedTexts(about).join(u'\n').toStdString(), "")
            << code.toStdString();
        testsupport::saveShot(about, "about-" + code);
        EXPECT_EQ(about.lines()[0], host.pack[20032]);
        about.close();
    }
}

TEST(About, ItsFontFallsBackToFacesForEveryScript) {
    RecorderHost host;
    CAboutDlg about(host, plainPixmaps());
    const QStringList families = about.font().families();
    ASSERT_FALSE(families.isEmpty());
    EXPECT_EQ(families.front(), QApplication::font().family()) << "the desktop's own face first";
}
