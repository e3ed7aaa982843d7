#include "RecorderHost.h"

#include "shell/ui/Prompt.h"
#include "tests/support/CutTexts.h"
#include "tests/support/MessageRecorder.h"
#include "tests/support/PackTexts.h"
#include "tests/support/QtPrinters.h"
#include "tests/support/TextPlace.h"

#include <QPushButton>

#include <gtest/gtest.h>

struct Prompt : ::testing::Test {
    RecorderHost host;
    CPrompt prompt{host, nullptr, 60 * 60 * 1000};  // ticks only when a test says so
    void ticks(int n) {
        for (int i = 0; i < n; ++i) prompt.OnTimer();
    }
};

TEST_F(Prompt, CountsDownFromTenInItsText) {
    prompt.ShowPrompt();
    EXPECT_TRUE(prompt.isShown());
    EXPECT_TRUE(prompt.isVisible());
    EXPECT_EQ(prompt.promptText(), "Clear all pictures?(10)");
    ticks(3);
    EXPECT_EQ(prompt.countdown(), 7);
    EXPECT_EQ(prompt.promptText(), "Clear all pictures?(7)");
    EXPECT_TRUE(host.calls.isEmpty());
}

TEST_F(Prompt, NoAnswerClearsThePicturesAndReturnsToCaptureAtZero) {
    prompt.ShowPrompt();
    ticks(9);
    EXPECT_TRUE(host.calls.isEmpty());
    EXPECT_TRUE(prompt.isShown());
    ticks(1);
    EXPECT_EQ(host.calls, (QStringList{"clearPictures", "ChangeToCapture"}));
    EXPECT_FALSE(prompt.isShown());
    EXPECT_FALSE(prompt.isVisible());
}

TEST_F(Prompt, ShowingItAgainRestartsTheCountdown) {
    prompt.ShowPrompt();
    ticks(6);
    prompt.move(40, 50);
    prompt.ShowPrompt();
    EXPECT_EQ(prompt.countdown(), 10);
    EXPECT_EQ(prompt.pos(), QPoint(40, 50));  // a prompt on screen keeps its place
    ticks(9);
    EXPECT_TRUE(host.calls.isEmpty());
    ticks(1);
    EXPECT_EQ(host.pictures, 0);
}

TEST_F(Prompt, OkClearsAtOnceCancelAndCloseClearNothing) {
    prompt.ShowPrompt();
    prompt.OnCancel();
    EXPECT_FALSE(prompt.isShown());
    EXPECT_FALSE(prompt.isVisible());
    EXPECT_TRUE(host.calls.isEmpty());

    prompt.ShowPrompt();
    prompt.close();
    EXPECT_FALSE(prompt.isShown());
    EXPECT_TRUE(host.calls.isEmpty());

    prompt.ShowPrompt();
    prompt.OnOK();
    EXPECT_FALSE(prompt.isShown());
    EXPECT_EQ(host.calls, (QStringList{"clearPictures", "ChangeToCapture"}));
}

// The window timer drives the countdown, and closing stops it.
TEST(PromptTimer, RunsOutByItselfAndStopsWhenCancelled) {
    RecorderHost host;
    CPrompt fast(host, nullptr, 1);
    fast.ShowPrompt();
    EXPECT_TRUE(testsupport::MessageRecorder::waitUntil([&] { return !fast.isShown(); }));
    EXPECT_EQ(host.pictures, 0);

    host.calls.clear();
    CPrompt slow(host, nullptr, 5);
    slow.ShowPrompt();
    slow.OnCancel();
    const int left = slow.countdown();
    testsupport::MessageRecorder::waitUntil([] { return false; }, 80);
    EXPECT_EQ(slow.countdown(), left);
    EXPECT_TRUE(host.calls.isEmpty());
}

TEST(PromptLanguages, EveryPacksTextsShowWholeAndRightToLeftPutsOkAtTheRight) {
    for (const QString& code : testsupport::packCodes()) {
        RecorderHost host;
        host.pack = testsupport::readPack(code);
        ASSERT_FALSE(host.pack.empty()) << code.toStdString();
        CPrompt prompt{host, nullptr, 60 * 60 * 1000};
        if (code == "ar") prompt.setLayoutDirection(Qt::RightToLeft);
        prompt.ShowPrompt();
        EXPECT_EQ(testsupport::cutTexts(prompt).join(u'\n').toStdString(), "")
            << code.toStdString();
        EXPECT_EQ(testsupport::misplacedTexts(prompt).join(u'\n').toStdString(), "")
            << code.toStdString();
        testsupport::saveShot(prompt, "prompt-" + code);
        const auto* ok = prompt.findChildren<QPushButton*>().at(0);
        const auto* cancel = prompt.findChildren<QPushButton*>().at(1);
        ASSERT_EQ(ok->text(), host.pack[1]);
        if (code == "ar")
            EXPECT_GT(ok->x(), cancel->geometry().right());
        else
            EXPECT_LT(ok->geometry().right(), cancel->x());
        prompt.OnCancel();
    }
}
