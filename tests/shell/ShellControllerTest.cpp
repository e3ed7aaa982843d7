// The main window's rules without a window: keys in each face, the repeat filter, what a finished
// capture does, the tray, devices, calibration and the two-camera commands.
#include "shell/KeyTable.h"
#include "shell/ShellController.h"
#include "shell/ShellView.h"
#include "shell/ShellWorld.h"
#include "lang/TextIds.h"
#include "platform/MessageBoxTypes.h"
#include "platform/Message.h"
#include "platform/MessageIds.h"
#include "tests/support/FakeClock.h"
#include "tests/support/LogCapture.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

#include <QStringList>

#include <deque>
#include <functional>

using namespace shell;

namespace {

const QString kCamera = QStringLiteral("\\\\?\\USB#VID_0C45&PID_9102#5&1");
const QString kBoard = QStringLiteral("\\\\?\\HID#VID_0483&PID_5851&COL01#7&2");

// The window and the world at once: every effect is written down, every question answered from
// the fields.
class Recorder : public ShellView, public ShellWorld {
public:
    QStringList log;
    int cameras = 1;
    int opened = 1;
    std::deque<int> reinitOpens;  // what each reinit opens; the cameras found when they run out
    bool dual = false, linked = false, running = false, autostartOn = false, sharing = true;
    bool drawing = false, prompt = false, takeOk = true, dualReady = false, calibrationOk = true;
    std::vector<int> pictures;
    int current = -1;
    int boards = 0;
    int choice = 1;
    std::deque<int> answers;  // of message boxes; OK when they run out
    bool streaming = false;   // a camera's live view runs, as the world was last told
    tray::MenuState menu;

    void note(const QString& s) { log << s; }
    // The effects that name what happened, without the layers shown and hidden on the way.
    QStringList main() const {
        static const QStringList kinds{"sendKey", "takePicture", "show",      "zoom",   "share",
                                       "prompt",  "commandD",    "window",    "hidden", "live",
                                       "handOff", "message",     "exportAll", "shutDown"};
        QStringList out;
        for (const QString& e : log)
            if (kinds.contains(e.section(' ', 0, 0))) out << e;
        return out;
    }

    // ShellView.
    void showWindow() override { note("window"); }
    void hideWindow() override { note("hidden"); }
    void repaint() override { note("repaint"); }
    void showOverlay(bool s) override { note(QString("overlay %1").arg(s)); }
    void raiseOverlay() override {}
    void showPanel(bool s) override { note(QString("panel %1").arg(s)); }
    void showCalibrationButton(bool s) override { note(QString("calibrationButton %1").arg(s)); }
    void openToolbar() override { note("toolbar"); }
    bool drawingMode() const override { return drawing; }
    void clearStrokes() override { note("clearStrokes"); }
    void drawingOff() override { note("drawingOff"); }
    void showPictureLayer(bool s) override { note(QString("pictureLayer %1").arg(s)); }
    void loadPicture(int id, bool frame) override { note(QString("load %1 %2").arg(id).arg(frame)); }
    void zoomPicture(double step) override { note(QString("zoom %1").arg(step)); }
    std::vector<int> pictureNumbers() const override { return pictures; }
    int currentPicture() const override { return current; }
    void setCurrentPicture(int id) override {
        current = id;
        note(QString("show %1").arg(id));
    }
    void postPictureAdded(int id) override { note(QString("added %1").arg(id)); }
    void hidePictureList() override { note("hideList"); }
    void exportAllPictures() override { note("exportAll"); }
    void handOff(int id) override { note(QString("handOff %1").arg(id)); }
    void hideQrView() override { note("hideQr"); }
    void startShare() override { note("share"); }
    bool promptShown() const override { return prompt; }
    void showPrompt() override { note("prompt"); }
    void showPropertyPage(bool s) override { note(QString("property %1").arg(s)); }
    void showFirmwareDialog() override { note("firmware"); }
    void showAboutDialog() override { note("about"); }
    void showTrayMenu(const tray::MenuState& s) override {
        menu = s;
        note("menu");
    }
    void updateTrayIcon(int s) override { note(QString("trayIcon %1").arg(s)); }
    void removeTrayIcon() override { note("removeTray"); }
    void showRestoreButton(bool s) override { note(QString("restore %1").arg(s)); }
    void startWait(Wait w) override {
        note(w == Wait::TrayClick ? "wait click" : w == Wait::TrayGrace ? "wait tray" : "wait admission");
    }
    int message(int textId, unsigned) override {
        note(QString("message %1").arg(textId));
        if (answers.empty()) return platform::kIdOk;
        const int a = answers.front();
        answers.pop_front();
        return a;
    }
    void fitWorkArea() override { note("fitWorkArea"); }
    void relayoutOverlay() override { note("relayout"); }
    void placeCornerButton() override { note("corner"); }
    void shutDownDialog() override { note("shutDown"); }

    // ShellWorld.
    int cameraCount() const override { return cameras; }
    void showLive() override {
        note("live");
        streaming = true;
    }
    void hideLive(bool stop) override {
        note(QString("hideLive %1").arg(stop));
        if (stop) streaming = false;
    }
    void stopLive() override {
        note("stopLive");
        streaming = false;
    }
    void resumeCurrent() override {
        note("resume");
        streaming = true;
    }
    void selectCamera(int i, bool run) override {
        note(QString("select %1").arg(i));
        streaming = run;
    }
    bool takePicture(int tag) override {
        note(QString("takePicture %1").arg(tag));
        return takeOk;
    }
    void placeCameras() override { note("placeCameras"); }
    void placeDual() override { note("placeDual"); }
    void placeSeparate() override { note("placeSeparate"); }
    void swapCameras() override { note("swap"); }
    void startCalibration() override { note("startCalibration"); }
    bool dualCalibrationReady() override { return dualReady; }
    void finishDualCalibration() override { note("finishDual"); }
    bool finishCalibration() override {
        note("finish");
        return calibrationOk;
    }
    int askCalibrationChoice() override {
        note("askChoice");
        return choice;
    }
    void reinitCameras(bool live) override {
        note("reinit");
        streaming = live;
        opened = reinitOpens.empty() ? cameras : reinitOpens.front();
        if (!reinitOpens.empty()) reinitOpens.pop_front();
    }
    int openCameraCount() const override { return opened; }
    void sendCommandD(int b) override { note(QString("commandD %1").arg(b)); }
    void sendKeyToFront(int k) override { note(QString("sendKey %1").arg(k)); }
    int boardCount() const override { return boards; }
    // Held until finishBoards(), as the boards' thread would hold them.
    void addBoard(const QString&, std::function<void(int, int)> done) override {
        note("addBoard");
        boardWork.push_back([this, done] {
            const int before = boards++;
            done(before, boards);
        });
    }
    void removeBoard(const QString&, std::function<void(int)> done) override {
        note("removeBoard");
        boardWork.push_back([this, done] {
            if (boards > 0) --boards;
            done(boards);
        });
    }
    void finishBoards() {
        const auto work = std::move(boardWork);
        boardWork.clear();
        for (const auto& w : work) w();
    }
    std::vector<std::function<void()>> boardWork;
    bool dualScreen() const override { return dual; }
    void setDualScreen(bool on) override { dual = on; }
    bool autostart() const override { return autostartOn; }
    void toggleAutostart() override { note("autostart"); }
    bool boardLinked() const override { return linked; }
    void setBoardLinked(bool l) override { linked = l; }
    void readBoardInstallPath() override { note("installPath"); }
    bool whiteboardRunning() const override { return running; }
    bool sharingEnabled() const override { return sharing; }
};

class ShellControllerTest : public ::testing::Test {
protected:
    Recorder r;
    testsupport::FakeClock clock;
    ShellController shell{r, r, clock};

    // Brings the controller into a face and forgets what that took.
    void enter(Face face) {
        if (face == Face::Hidden) {
            shell.showView(false);
        } else {
            shell.makeViewVisible();
            shell.changeToCapture();
        }
        if (face == Face::Picture) shell.showPicture(5);
        r.log.clear();
    }
    void key(int type, int board = 0) {
        clock.advance(1000);
        shell.onKey(board, type);
    }
};

// ---------------------------------------------------------------------------------------------
// The key table

struct KeyCase {
    Face face;
    int key;
    QStringList effects;
};

TEST_F(ShellControllerTest, EveryKeyInEveryFace) {
    const std::vector<KeyCase> table = {
        {Face::Hidden, 1, {"prompt"}},
        {Face::Live, 1, {"prompt"}},
        {Face::Picture, 1, {"prompt"}},
        {Face::Hidden, 2, {"sendKey 2"}},
        {Face::Live, 2, {"takePicture 2"}},
        {Face::Picture, 2, {"show 6"}},
        {Face::Hidden, 3, {"sendKey 3"}},
        {Face::Live, 3, {"takePicture 2"}},
        {Face::Picture, 3, {"show 4"}},
        {Face::Hidden, 4, {"sendKey 4"}},
        {Face::Live, 4, {}},
        {Face::Picture, 4, {"zoom -0.1"}},
        {Face::Hidden, 5, {"sendKey 5"}},
        {Face::Live, 5, {}},
        {Face::Picture, 5, {"zoom 0.1"}},
        {Face::Hidden, 6, {"share"}},
        {Face::Live, 6, {"share"}},
        {Face::Picture, 6, {"share"}},
        {Face::Hidden, 7, {"window", "live"}},
        {Face::Live, 7, {"live"}},
        {Face::Picture, 7, {"live"}},
        {Face::Hidden, 8, {"takePicture 0"}},
        {Face::Live, 8, {"takePicture 0"}},
        {Face::Picture, 8, {}},
        {Face::Hidden, 9, {"window"}},
        {Face::Live, 9, {"live", "hidden", "takePicture 1"}},
        {Face::Picture, 9, {"live", "hidden", "takePicture 1"}},
        {Face::Hidden, 10, {"commandD 0"}},
        {Face::Live, 10, {"commandD 0"}},
        {Face::Picture, 10, {"commandD 0"}},
    };
    for (const KeyCase& c : table) {
        Recorder fresh;
        fresh.pictures = {4, 5, 6};
        testsupport::FakeClock time;
        ShellController s(fresh, fresh, time);
        s.start(c.face == Face::Hidden, true);
        if (c.face == Face::Picture) s.showPicture(5);
        ASSERT_EQ(faceOf(s.state()), c.face);
        fresh.log.clear();
        time.advance(1000);
        s.onKey(0, c.key);
        EXPECT_EQ(fresh.main(), c.effects) << "key " << c.key << " in face " << int(c.face);
    }
}

TEST_F(ShellControllerTest, KeysThatFindNothingToDo) {
    enter(Face::Live);
    key(kKeyClearAll);
    EXPECT_EQ(r.main(), QStringList()) << "an empty list asks nothing";

    r.pictures = {4, 5, 6};
    enter(Face::Picture);
    shell.showPicture(6);
    r.log.clear();
    key(kKeyNext);
    EXPECT_EQ(r.main(), QStringList()) << "the last picture stays the last";
    shell.showPicture(4);
    r.log.clear();
    key(kKeyPrevious);
    EXPECT_EQ(r.main(), QStringList()) << "the first stays the first";

    r.cameras = 0;
    enter(Face::Live);
    key(kKeyCapture);
    key(kKeyHideCapture);
    EXPECT_EQ(r.main(), QStringList()) << "no camera: no capture, the view stays";
}

TEST_F(ShellControllerTest, RepeatFilterAt499And500Ms) {
    enter(Face::Live);
    clock.advance(10000);
    shell.onKey(0, kKeyCommandD);
    clock.advance(499);
    shell.onKey(0, kKeyCommandD);
    EXPECT_EQ(r.main(), QStringList{"commandD 0"}) << "the same key within 499 ms is a bounce";
    clock.advance(1);
    shell.onKey(0, kKeyCommandD);
    shell.onKey(0, kKeyShare);
    EXPECT_EQ(r.main(), (QStringList{"commandD 0", "commandD 0", "message 20040"}))
        << "after 500 ms it counts; another key type never waits";
}

TEST_F(ShellControllerTest, CaptureBusyHoldsUntilThePictureIsReady) {
    enter(Face::Live);
    key(kKeyCapture);
    EXPECT_TRUE(shell.state().captureBusy);
    key(kKeyNext);
    EXPECT_EQ(r.main(), QStringList{"takePicture 0"}) << "one capture at a time";
    shell.onPictureReady(0, kTagShow);
    EXPECT_FALSE(shell.state().captureBusy) << "nothing stored: the capture still ends";

    r.takeOk = false;
    key(kKeyCapture);
    EXPECT_FALSE(shell.state().captureBusy) << "a refused capture never reports back";
}

TEST_F(ShellControllerTest, EachBoardDrivesItsOwnCameraOutsideDualScreen) {
    r.cameras = 2;
    enter(Face::Live);
    key(kKeyLive, 1);
    EXPECT_EQ(r.log.first(), "select 1");
    r.dual = true;
    r.log.clear();
    key(kKeyCapture, 0);
    EXPECT_FALSE(r.log.contains("select 0")) << "side by side, both cameras stay";
}

TEST_F(ShellControllerTest, ShareNeedsPicturesAndNoDeletionUnderWay) {
    enter(Face::Live);
    shell.share();
    r.pictures = {1};
    r.prompt = true;
    shell.share();
    r.prompt = false;
    shell.share();
    r.sharing = false;
    shell.share();
    EXPECT_EQ(r.main(), (QStringList{"message 20040", "message 20058", "share"}));
}

// ---------------------------------------------------------------------------------------------
// Picture ready

TEST_F(ShellControllerTest, PictureReadyTags) {
    struct Case {
        int tag;
        bool hiddenBefore;
        QStringList effects;
    };
    const std::vector<Case> table = {
        {kTagShowOrHandOff, false, {"show 7"}},
        {kTagShowOrHandOff, true, {"window", "show 7"}},
        {kTagKeepHidden, true, {}},
        {kTagShow, false, {"show 7"}},
        {3, false, {}},
    };
    for (const Case& c : table) {
        Recorder fresh;
        testsupport::FakeClock time;
        ShellController s(fresh, fresh, time);
        s.start(c.hiddenBefore, true);
        fresh.log.clear();
        s.onPictureReady(7, c.tag);
        EXPECT_EQ(fresh.main(), c.effects) << "tag " << c.tag;
        EXPECT_TRUE(fresh.log.contains("added 7")) << "every picture goes to the list";
        EXPECT_EQ(s.state().pictureShown, c.effects.contains("show 7"));
    }
}

TEST_F(ShellControllerTest, TheWhiteboardLinkDecidesWhereTag0Goes) {
    // Linked and running: handed over, the view hidden.
    enter(Face::Live);
    r.linked = r.running = true;
    shell.onPictureReady(3, kTagShowOrHandOff);
    EXPECT_TRUE(r.main().contains("handOff 3"));
    EXPECT_FALSE(shell.state().viewShown);

    // Linked but gone: the link is dropped and the picture shown.
    enter(Face::Live);
    r.running = false;
    shell.onPictureReady(4, kTagShowOrHandOff);
    EXPECT_FALSE(r.linked);
    EXPECT_EQ(r.main(), QStringList{"show 4"});

    // Running, not linked: asked once; Cancel is remembered until the program goes away.
    enter(Face::Live);
    r.running = true;
    r.answers = {platform::kIdCancel};
    shell.onPictureReady(5, kTagShowOrHandOff);
    shell.onPictureReady(6, kTagShowOrHandOff);
    EXPECT_EQ(r.main(), (QStringList{"message 20001", "show 5", "show 6"}));
    r.running = false;
    shell.onPictureReady(7, kTagShowOrHandOff);
    EXPECT_FALSE(shell.state().linkDeclined) << "the program went: the next start asks again";

    // Running, OK: linked, install path read, handed over.
    enter(Face::Live);
    r.running = true;
    shell.onPictureReady(8, kTagShowOrHandOff);
    EXPECT_TRUE(r.linked);
    EXPECT_TRUE(r.log.contains("installPath"));
    EXPECT_TRUE(r.main().contains("handOff 8"));
}

TEST_F(ShellControllerTest, StartUpAsksToLinkARunningWhiteboard) {
    r.running = true;
    shell.start(false, true);
    EXPECT_TRUE(r.linked);
    EXPECT_FALSE(shell.state().viewShown) << "linked: the pictures go to the whiteboard";
    EXPECT_FALSE(shell.state().captureBusy);

    Recorder other;
    other.running = true;
    other.answers = {platform::kIdCancel};
    ShellController declined(other, other, clock);
    declined.start(false, true);
    EXPECT_TRUE(declined.state().linkDeclined);
    EXPECT_TRUE(declined.state().viewShown);

    Recorder noTray;
    noTray.running = true;
    ShellController hidden(noTray, noTray, clock);
    hidden.start(true, false);
    EXPECT_FALSE(hidden.state().viewShown) << "a tray may still come: the grace period";
    EXPECT_EQ(noTray.log, QStringList{"wait tray"}) << "-Start never asks";
}

// ---------------------------------------------------------------------------------------------
// A desktop without a tray, or with one that comes late

TEST_F(ShellControllerTest, HiddenStartWithoutATrayShowsTheViewOnlyWhenNoneCame) {
    shell.start(true, false);
    r.log.clear();
    shell.onWaitOver(Wait::TrayGrace);
    EXPECT_TRUE(shell.state().viewShown);
    EXPECT_TRUE(r.main().contains("window") && r.main().contains("live"));
    EXPECT_FALSE(r.log.contains("restore 1")) << "the view itself is the way back";

    Recorder late;
    ShellController lateTray(late, late, clock);
    lateTray.start(true, false);
    lateTray.onTrayPresence(true);
    late.log.clear();
    lateTray.onWaitOver(Wait::TrayGrace);
    EXPECT_FALSE(lateTray.state().viewShown) << "the tray came in time: the icon holds the program";
    EXPECT_TRUE(late.log.isEmpty());

    Recorder shownMeanwhile;
    ShellController second(shownMeanwhile, shownMeanwhile, clock);
    second.start(true, false);
    second.onShowInstance();
    shownMeanwhile.log.clear();
    second.onWaitOver(Wait::TrayGrace);
    EXPECT_TRUE(shownMeanwhile.log.isEmpty()) << "a second start already showed it: nothing twice";
}

// Every path that hides the view, with and without a tray.
TEST_F(ShellControllerTest, WithoutATrayEveryHidingLeavesAWayBack) {
    struct Path {
        const char* name;
        std::function<void(Recorder&, ShellController&, bool tray)> run;
    };
    const std::vector<Path> paths = {
        {"key 9", [](Recorder&, ShellController& s, bool) { s.onKey(0, 9); }},
        {"panel capture button", [](Recorder&, ShellController& s, bool) { s.showView(false); }},
        {"hand-off",
         [](Recorder& w, ShellController& s, bool) {
             w.running = w.linked = true;
             s.onPictureReady(3, kTagShowOrHandOff);
         }},
        {"link command",
         [](Recorder& w, ShellController& s, bool) {
             w.running = true;
             s.runCommand(tray::kCmdLinkWhiteboard);
         }},
        {"OK to the link question at start",
         [](Recorder& w, ShellController& s, bool tray) {
             w.running = true;
             s.start(false, tray);
         }},
    };
    for (const Path& p : paths) {
        for (bool tray : {false, true}) {
            Recorder w;
            testsupport::FakeClock time;
            time.advance(1000);
            ShellController s(w, w, time);
            s.start(false, tray);
            w.running = false;
            w.log.clear();
            p.run(w, s, tray);
            ASSERT_FALSE(s.state().viewShown) << p.name;
            EXPECT_EQ(w.log.count("restore 1"), tray ? 0 : 1) << p.name << ", tray " << tray;
            if (tray) continue;
            w.log.clear();
            s.onRestore();
            EXPECT_TRUE(s.state().viewShown) << p.name;
            EXPECT_TRUE(w.log.contains("restore 0") && w.log.contains("window")) << p.name;
        }
    }
}

TEST_F(ShellControllerTest, ATrayThatComesAndGoesTakesTheWayBackOver) {
    shell.start(false, false);
    enter(Face::Hidden);
    shell.onTrayPresence(true);
    EXPECT_EQ(r.log, QStringList{"restore 0"}) << "the icon is the way back now";
    r.log.clear();
    shell.onTrayPresence(true);
    EXPECT_TRUE(r.log.isEmpty()) << "no news";
    shell.onTrayPresence(false);
    EXPECT_EQ(r.log, QStringList{"restore 1"}) << "the panel crashed: the button again";
    r.log.clear();
    shell.onRestore();
    EXPECT_TRUE(shell.state().viewShown);
    const QStringList once = r.log;
    shell.onRestore();
    EXPECT_EQ(r.log, once) << "a second click on a shown view does nothing";
    r.log.clear();
    shell.onTrayPresence(true);
    shell.onTrayPresence(false);
    EXPECT_TRUE(r.log.isEmpty()) << "a shown view needs no way back";
}

TEST_F(ShellControllerTest, SecondStartBringsTheViewToTheFront) {
    enter(Face::Live);
    shell.onShowInstance();
    EXPECT_EQ(r.main(), QStringList{"window"}) << "shown but maybe covered: raised, nothing else";
    enter(Face::Hidden);
    shell.onShowInstance();
    EXPECT_TRUE(shell.state().viewShown);
    EXPECT_TRUE(r.main().contains("window"));
    shell.markShutDown();
    r.log.clear();
    shell.onShowInstance();
    shell.onDisplayChange();
    shell.onTrayCallback(128, msg::kRightButtonUp);
    EXPECT_TRUE(r.log.isEmpty()) << "the window is going away";
}

// ---------------------------------------------------------------------------------------------
// Tray

TEST_F(ShellControllerTest, TrayClicks) {
    enter(Face::Hidden);
    shell.onTrayCallback(200, msg::kLeftButtonDown);
    EXPECT_TRUE(r.log.isEmpty()) << "another icon's clicks are not ours";
    for (unsigned icon : {128u, 145u, 146u}) {
        r.log.clear();
        shell.onTrayCallback(icon, msg::kRightButtonUp);
        EXPECT_EQ(r.log, QStringList{"menu"});
    }
    r.cameras = 2;
    r.dual = r.autostartOn = true;
    r.log.clear();
    shell.onTrayCallback(128, msg::kLeftButtonDown);
    EXPECT_EQ(r.log, QStringList{"wait click"}) << "a second click may follow";
    shell.onWaitOver(Wait::TrayClick);
    EXPECT_EQ(r.log.last(), "menu");
    EXPECT_EQ(r.menu.cameraCount, 2);
    EXPECT_TRUE(r.menu.dualScreen && r.menu.autostart);
    r.log.clear();
    shell.onWaitOver(Wait::TrayClick);
    EXPECT_TRUE(r.log.isEmpty()) << "one click, one menu";
    r.dual = false;

    // A double click: the first click's menu never opens.
    shell.onTrayCallback(128, msg::kLeftButtonDown);
    shell.onTrayCallback(128, msg::kLeftDoubleClick);
    shell.onWaitOver(Wait::TrayClick);
    EXPECT_TRUE(shell.state().viewShown);
    EXPECT_TRUE(r.log.contains("window"));
    EXPECT_FALSE(r.log.contains("menu"));
    r.log.clear();
    shell.onTrayCallback(128, msg::kLeftDoubleClick);
    EXPECT_TRUE(r.log.isEmpty()) << "a shown view stays as it is";
}

TEST_F(ShellControllerTest, TrayCommandsWithoutACamera) {
    r.cameras = 0;
    enter(Face::Live);
    shell.runCommand(10001);
    shell.runCommand(10005);
    shell.runCommand(32776);
    EXPECT_EQ(r.main(), (QStringList{"message 20007", "message 20007", "message 20007"}));
    EXPECT_FALSE(shell.state().calibration);
}

TEST_F(ShellControllerTest, ExitAsksAndExportsOnlyWithPictures) {
    enter(Face::Live);
    r.answers = {platform::kIdCancel};
    shell.runCommand(10002);
    EXPECT_EQ(r.main(), QStringList{"message 20043"}) << "Cancel: nothing closes";
    r.log.clear();
    shell.runCommand(10002);
    EXPECT_EQ(r.main(), (QStringList{"message 20043", "shutDown"})) << "an empty list asks once";
    r.pictures = {1, 2};
    r.log.clear();
    shell.runCommand(10002);
    EXPECT_EQ(r.main(), (QStringList{"message 20043", "message 20042", "exportAll", "shutDown"}));
    EXPECT_TRUE(r.log.contains("removeTray"));
}

TEST_F(ShellControllerTest, LinkCommandFollowsTheWhiteboard) {
    enter(Face::Live);
    shell.runCommand(10003);
    EXPECT_FALSE(r.linked) << "no program: nothing to link";
    r.running = true;
    shell.runCommand(10003);
    EXPECT_TRUE(r.linked);
    EXPECT_FALSE(shell.state().viewShown) << "linked: the view goes";
    shell.runCommand(10003);
    EXPECT_FALSE(r.linked);
    EXPECT_TRUE(shell.state().linkDeclined);
    EXPECT_TRUE(shell.state().viewShown);
}

TEST_F(ShellControllerTest, SimpleCommandsReachTheirDialogs) {
    enter(Face::Hidden);
    shell.runCommand(10000);
    shell.runCommand(10004);
    shell.runCommand(32777);
    shell.runCommand(12345);
    EXPECT_EQ(r.log, (QStringList{"firmware", "about", "autostart"}));
    shell.runCommand(10001);
    EXPECT_TRUE(r.log.contains("property 1"));
    EXPECT_TRUE(shell.state().viewShown) << "video settings show the live view";
}

// ---------------------------------------------------------------------------------------------
// Devices and the screen

TEST_F(ShellControllerTest, BoardsComeAndGo) {
    enter(Face::Live);
    shell.onDeviceChange(msg::kDeviceArrival, kBoard);
    shell.onDeviceChange(msg::kDeviceArrival, kBoard);
    EXPECT_EQ(r.log, (QStringList{"addBoard", "addBoard"}))
        << "the boards' own work is handed away; the window waits for none of it";
    r.finishBoards();
    EXPECT_EQ(r.log, (QStringList{"addBoard", "addBoard", "trayIcon 1"}))
        << "only the first board shows the balloon, once it has been added";
    r.log.clear();
    shell.onDeviceChange(msg::kDeviceRemoveComplete, kBoard);
    shell.onDeviceChange(msg::kDeviceRemoveComplete, kBoard);
    r.finishBoards();
    EXPECT_EQ(r.log, (QStringList{"removeBoard", "removeBoard", "trayIcon 2"}))
        << "the last one leaving";
    r.log.clear();
    shell.onDeviceChange(msg::kDeviceRemoveComplete, kBoard);
    r.finishBoards();
    EXPECT_EQ(r.log, (QStringList{"removeBoard", "trayIcon 2"}))
        << "a removal that finds nothing still says no board is left";
    r.log.clear();
    shell.onDeviceChange(0x0007, kBoard);
    shell.onDeviceChange(msg::kDeviceArrival, "HID#VID_0483&PID_5851");
    EXPECT_TRUE(r.log.isEmpty()) << "other events and names at the very start are ignored";
    shell.onDeviceChange(msg::kDeviceArrival, kBoard);
    shell.markShutDown();
    r.finishBoards();
    EXPECT_EQ(r.log, QStringList{"addBoard"}) << "a window going away shows no balloon";
}

TEST_F(ShellControllerTest, CamerasComeAndGo) {
    r.cameras = 2;
    r.dual = true;
    enter(Face::Live);
    shell.runCommand(10005);
    r.cameras = 0;
    r.log.clear();
    shell.onDeviceChange(msg::kDeviceRemoveComplete, kCamera);
    EXPECT_FALSE(r.dual);
    EXPECT_EQ(r.log, (QStringList{"reinit", "property 0", "calibrationButton 0", "panel 1"}));
    EXPECT_FALSE(shell.state().calibration);
    r.cameras = 1;
    r.log.clear();
    shell.onDeviceChange(msg::kDeviceArrival, kCamera);
    EXPECT_EQ(r.main(), QStringList{"live"});
    EXPECT_EQ(r.log.first(), "reinit");
}

// The USB device is announced before its video node exists and before the node may be opened.
TEST_F(ShellControllerTest, ArrivingCameraIsTriedAgainUntilItOpens) {
    r.cameras = 0;
    r.opened = 0;
    enter(Face::Live);
    r.cameras = 1;
    r.reinitOpens = {0, 0, 1};
    shell.onDeviceChange(msg::kDeviceArrival, kCamera);
    EXPECT_EQ(r.log.first(), "reinit");
    EXPECT_EQ(r.log.last(), "wait admission");
    r.log.clear();
    clock.advance(ShellController::kAdmissionRetryMs);
    shell.onWaitOver(Wait::CameraAdmission);
    EXPECT_EQ(r.log, (QStringList{"reinit", "wait admission"})) << "not open yet: no live call";
    r.log.clear();
    clock.advance(ShellController::kAdmissionRetryMs);
    shell.onWaitOver(Wait::CameraAdmission);
    EXPECT_EQ(r.log.first(), "reinit");
    EXPECT_TRUE(r.log.contains("live")) << "shown once it opened";
    EXPECT_FALSE(r.log.contains("wait admission"));
    r.log.clear();
    shell.onWaitOver(Wait::CameraAdmission);
    EXPECT_TRUE(r.log.isEmpty()) << "a late wait after the admission changes nothing";
}

TEST_F(ShellControllerTest, NodeNoticeEndsThePendingAdmission) {
    r.opened = 0;
    r.cameras = 1;
    enter(Face::Live);
    r.reinitOpens = {0, 1};
    shell.onDeviceChange(msg::kDeviceArrival, kCamera);  // the USB device
    shell.onDeviceChange(msg::kDeviceArrival, kCamera);  // its node, opened
    r.log.clear();
    shell.onWaitOver(Wait::CameraAdmission);
    EXPECT_TRUE(r.log.isEmpty());
    // A second camera that never opens while the first stays open.
    r.reinitOpens = {1};
    shell.onDeviceChange(msg::kDeviceArrival, kCamera);
    EXPECT_EQ(r.log.last(), "wait admission") << "one open camera is not the new one";
}

TEST_F(ShellControllerTest, AdmissionGivesUpAfterItsWindow) {
    testsupport::LogCapture logs;
    r.cameras = 0;
    r.opened = 0;
    enter(Face::Live);
    r.reinitOpens = std::deque<int>(100, 0);
    shell.onDeviceChange(msg::kDeviceArrival, kCamera);
    int tries = 0;
    while (r.log.contains("wait admission") && tries < 100) {
        r.log.clear();
        clock.advance(ShellController::kAdmissionRetryMs);
        shell.onWaitOver(Wait::CameraAdmission);
        ++tries;
    }
    EXPECT_EQ(tries, ShellController::kAdmissionWindowMs / ShellController::kAdmissionRetryMs);
    EXPECT_EQ(logs.matching("ostrely.camera", {"did not open", "5000 ms"}).size(), 1);
    // A removal and a new arrival start a new window.
    r.log.clear();
    shell.onDeviceChange(msg::kDeviceArrival, kCamera);
    EXPECT_EQ(r.log.last(), "wait admission");
}

TEST_F(ShellControllerTest, DisplayChangeEndsCalibration) {
    enter(Face::Live);
    shell.runCommand(10005);
    r.log.clear();
    shell.onDisplayChange();
    EXPECT_EQ(r.log.mid(0, 3), (QStringList{"placeCameras", "fitWorkArea", "relayout"}));
    EXPECT_TRUE(r.log.contains("finish"));
    EXPECT_EQ(r.log.last(), "corner");
    EXPECT_FALSE(shell.state().calibration);
}

// A screen unplugged while a stored picture is shown: the window refits, the picture stays shown
// and its keys keep working, nothing starts the cameras behind it.
TEST_F(ShellControllerTest, DisplayChangeWhileAPictureIsShownKeepsThePicture) {
    enter(Face::Picture);
    shell.onDisplayChange();
    EXPECT_EQ(r.log, (QStringList{"placeCameras", "fitWorkArea", "relayout", "corner"}));
    EXPECT_TRUE(shell.state().pictureShown);
    EXPECT_TRUE(shell.state().viewShown);
    EXPECT_EQ(keyAction(kKeyNext, Face::Picture), KeyAction::NextPicture);
}

TEST_F(ShellControllerTest, DisplayChangeWhileHiddenKeepsItHidden) {
    enter(Face::Hidden);
    shell.onDisplayChange();
    EXPECT_EQ(r.log, (QStringList{"placeCameras", "fitWorkArea", "relayout", "corner"}));
    EXPECT_FALSE(shell.state().viewShown) << "a projector plugged in does not pop the view up";
}

// ---------------------------------------------------------------------------------------------
// Calibration

TEST_F(ShellControllerTest, CalibrationWithOneCamera) {
    enter(Face::Hidden);
    shell.runCommand(10005);
    EXPECT_TRUE(shell.state().calibration);
    EXPECT_TRUE(shell.state().viewShown);
    EXPECT_TRUE(r.log.contains("startCalibration"));
    EXPECT_FALSE(r.log.contains("panel 1")) << "calibration has its own button";
    r.log.clear();
    key(kKeyCapture);
    EXPECT_FALSE(r.log.contains("takePicture 0")) << "a key ends calibration instead";
    EXPECT_FALSE(shell.state().calibration);

    shell.runCommand(10005);
    r.calibrationOk = false;
    r.log.clear();
    shell.runCommand(10005);
    EXPECT_TRUE(r.main().contains("message 20046"));
    EXPECT_TRUE(shell.state().calibration) << "no placement: calibration stays on";
}

TEST_F(ShellControllerTest, CalibrationWithTwoCamerasSideBySide) {
    r.cameras = 2;
    r.dual = true;
    enter(Face::Live);
    shell.runCommand(10005);
    r.dualReady = true;
    r.choice = 2;
    shell.runCommand(10005);
    EXPECT_TRUE(shell.state().calibration) << "recalibrate: stays on";
    EXPECT_FALSE(r.log.contains("finishDual"));
    r.choice = 1;
    r.log.clear();
    shell.runCommand(10005);
    EXPECT_EQ(r.log.mid(r.log.indexOf("askChoice"), 4),
              (QStringList{"askChoice", "finishDual", "calibrationButton 0", "panel 1"}));
    EXPECT_FALSE(shell.state().calibration);

    r.dualReady = false;
    shell.runCommand(10005);
    r.log.clear();
    shell.runCommand(10005);
    EXPECT_TRUE(r.log.contains("finish")) << "not both calibrated: the current camera alone";
}

TEST_F(ShellControllerTest, SwapAndDualScreenEndCalibrationFirst) {
    r.cameras = 2;
    enter(Face::Live);
    shell.runCommand(10005);
    r.log.clear();
    shell.runCommand(32776);
    EXPECT_FALSE(r.log.contains("swap"));
    EXPECT_FALSE(shell.state().calibration);
    shell.runCommand(10005);
    r.log.clear();
    shell.runCommand(10006);
    EXPECT_FALSE(r.dual) << "the command ends calibration and stops";
    EXPECT_FALSE(shell.state().calibration);
}

TEST_F(ShellControllerTest, DualScreenAndSwap) {
    r.cameras = 1;
    enter(Face::Live);
    shell.runCommand(10006);
    EXPECT_FALSE(r.dual) << "one camera: nothing to put side by side";
    r.cameras = 2;
    shell.runCommand(10006);
    EXPECT_TRUE(r.dual);
    EXPECT_TRUE(r.log.contains("placeDual"));
    shell.runCommand(10006);
    EXPECT_FALSE(r.dual);
    EXPECT_TRUE(r.log.contains("placeSeparate"));

    r.dual = true;
    shell.showPicture(3);
    r.log.clear();
    shell.runCommand(32776);
    EXPECT_EQ(r.main(), (QStringList{"live"}));
    EXPECT_TRUE(r.log.contains("swap"));
    EXPECT_FALSE(shell.state().pictureShown);
}

TEST_F(ShellControllerTest, HiddenDualScreenComesBackSideBySide) {
    r.cameras = 2;
    r.dual = true;
    enter(Face::Hidden);
    shell.showView(true);
    EXPECT_TRUE(r.dual) << "shown again, both cameras side by side";
    EXPECT_TRUE(r.log.contains("placeDual"));
    r.log.clear();
    shell.showView(false);
    EXPECT_EQ(r.main(), (QStringList{"live", "hidden"}));
    EXPECT_TRUE(r.log.contains("stopLive"));
}

// ---------------------------------------------------------------------------------------------
// Cameras off when nobody looks

TEST_F(ShellControllerTest, NobodyLooksSoNoCameraStreams) {
    r.cameras = 2;
    enter(Face::Live);
    EXPECT_TRUE(r.streaming);
    shell.onShowPicture(4);
    EXPECT_FALSE(r.streaming) << "a picture from the list covers the live view";
    shell.changeToCapture();
    EXPECT_TRUE(r.streaming);
    key(kKeyNext, 1);  // the other board's camera becomes current and runs in its place
    EXPECT_TRUE(r.log.contains("select 1"));
    EXPECT_TRUE(r.streaming);

    shell.showView(false);
    EXPECT_FALSE(r.streaming);
    // The clear-all prompt timing out behind the hidden window asks for the live view.
    shell.changeToCapture();
    EXPECT_FALSE(r.streaming);
    // A board key while hidden makes its camera current without running it.
    r.log.clear();
    key(kKeyNext, 0);
    EXPECT_TRUE(r.log.contains("select 0"));
    EXPECT_FALSE(r.streaming);
    shell.onDeviceChange(msg::kDeviceArrival, kCamera);
    EXPECT_FALSE(r.streaming) << "a camera plugged in while hidden";
    shell.onDeviceChange(msg::kDeviceRemoveComplete, kCamera);
    EXPECT_FALSE(r.streaming) << "a camera pulled out while hidden";

    shell.showView(true);
    EXPECT_TRUE(r.streaming);
    shell.showPicture(5);
    EXPECT_FALSE(r.streaming);
    shell.onDeviceChange(msg::kDeviceRemoveComplete, kCamera);
    EXPECT_FALSE(r.streaming) << "the camera left stays off under the stored picture";
    key(kKeyNext, 1);
    EXPECT_FALSE(r.streaming);
    key(kKeyLive);
    EXPECT_TRUE(r.streaming);
}

TEST_F(ShellControllerTest, ACaptureWithTheViewHiddenLeavesTheCamerasOff) {
    enter(Face::Live);
    key(kKeyHideCapture);
    EXPECT_TRUE(r.main().contains("takePicture 1"));
    EXPECT_FALSE(r.streaming);
    shell.onPictureReady(1, kTagKeepHidden);
    EXPECT_FALSE(r.streaming);
    EXPECT_FALSE(shell.state().viewShown);
}

TEST_F(ShellControllerTest, CalibrationFromHiddenShowsTheViewBeforeTheCameraRuns) {
    enter(Face::Hidden);
    shell.runCommand(tray::kCmdCalibration);
    EXPECT_TRUE(r.streaming);
    EXPECT_LT(r.log.indexOf("window"), r.log.indexOf("live"));
}

TEST_F(ShellControllerTest, KeyTableIsTotal) {
    for (int k = -1; k <= 12; ++k)
        for (Face f : {Face::Hidden, Face::Live, Face::Picture})
            if (k < 1 || k > 10) EXPECT_EQ(keyAction(k, f), KeyAction::None) << k;
}

// The About dialog's list is what the keyboard does: each row's keys map to one key type, no key
// is listed twice, and every mapped key is listed.
TEST_F(ShellControllerTest, KeyHelpListsExactlyTheMappedKeys) {
    std::set<int> listed;
    for (const KeyHelp& row : keyHelp()) {
        ASSERT_FALSE(row.keys.empty());
        std::set<int> types;
        for (int key : row.keys) {
            EXPECT_NE(keyTypeOfKey(key), 0) << key;
            EXPECT_TRUE(listed.insert(key).second) << key << " listed twice";
            types.insert(keyTypeOfKey(key));
        }
        const bool zoomRow = types == std::set<int>{kKeyZoomIn, kKeyZoomOut};
        EXPECT_TRUE(types.size() == 1 || zoomRow) << row.textId;
    }
    // Printable keys and Qt's special keys (Escape, arrows, F keys...).
    std::vector<int> keys;
    for (int key = 0x20; key < 0x7f; ++key) keys.push_back(key);
    for (int key = 0x01000000; key < 0x01000100; ++key) keys.push_back(key);
    for (int key : keys) {
        if (keyTypeOfKey(key) == 0 || listed.count(key) != 0) continue;
        // Enter and = are the keypad's return and the unshifted plus: the same keys to a teacher.
        EXPECT_TRUE(key == Qt::Key_Enter || key == Qt::Key_Equal) << "unlisted key " << key;
    }
}

}  // namespace

namespace {

TEST_F(ShellControllerTest, MessagesReachTheirRules) {
    r.cameras = 2;
    enter(Face::Live);
    clock.advance(1000);
    EXPECT_TRUE(shell.onMessage(platform::Message(msg::kKey, 1, kKeyCapture)));
    EXPECT_EQ(r.log.first(), "select 1") << "board index in wParam, key type in lParam";
    EXPECT_TRUE(r.log.contains("takePicture 0"));
    EXPECT_TRUE(shell.onMessage(platform::Message(msg::kPictureReady, 9, kTagKeepHidden)));
    EXPECT_FALSE(shell.state().captureBusy);
    EXPECT_TRUE(r.log.contains("added 9"));
    EXPECT_TRUE(shell.onMessage(platform::Message(msg::kShowPicture, 9, 0)));
    EXPECT_TRUE(r.log.contains("load 9 1")) << "from the list: the viewer's frame anew";
    platform::Message arrival(msg::kDeviceChange, msg::kDeviceArrival, 0);
    arrival.text = kBoard;
    EXPECT_TRUE(shell.onMessage(arrival));
    r.finishBoards();
    EXPECT_EQ(r.boards, 1);
    EXPECT_TRUE(shell.onMessage(platform::Message(msg::kTrayCallback, 128, msg::kRightButtonUp)));
    EXPECT_EQ(r.log.last(), "menu");
    EXPECT_FALSE(shell.onMessage(platform::Message(msg::kPictureAdded, 9, 0)))
        << "the list's message is not the window's";
}

}  // namespace

namespace {

// The keyboard and a presenter remote act as a second board on the current camera.
TEST_F(ShellControllerTest, KeyboardKeysActAsTheBoardsKeys) {
    struct Case {
        Face face;
        int key;
        QStringList effects;
    };
    const std::vector<Case> table = {
        {Face::Live, Qt::Key_Space, {"takePicture 0"}},
        {Face::Live, Qt::Key_Return, {"takePicture 0"}},
        {Face::Picture, Qt::Key_Space, {}},
        {Face::Live, Qt::Key_PageDown, {"takePicture 2"}},
        {Face::Picture, Qt::Key_PageDown, {"show 6"}},
        {Face::Picture, Qt::Key_Right, {"show 6"}},
        {Face::Picture, Qt::Key_PageUp, {"show 4"}},
        {Face::Picture, Qt::Key_Left, {"show 4"}},
        {Face::Picture, Qt::Key_Plus, {"zoom 0.1"}},
        {Face::Picture, Qt::Key_Minus, {"zoom -0.1"}},
        {Face::Picture, Qt::Key_Escape, {"live"}},
        {Face::Picture, Qt::Key_F5, {"live"}},
        {Face::Live, Qt::Key_B, {"live", "hidden", "takePicture 1"}},
        {Face::Live, Qt::Key_S, {"share"}},
        {Face::Live, Qt::Key_Delete, {"prompt"}},
        {Face::Live, Qt::Key_Menu, {}},
        {Face::Live, Qt::Key_A, {}},
    };
    for (const Case& c : table) {
        Recorder fresh;
        fresh.cameras = 2;
        fresh.pictures = {4, 5, 6};
        testsupport::FakeClock time;
        ShellController s(fresh, fresh, time);
        s.start(false, true);
        if (c.face == Face::Picture) s.showPicture(5);
        fresh.log.clear();
        time.advance(1000);
        EXPECT_EQ(s.onKeyboard(c.key), c.key != Qt::Key_A) << c.key;
        EXPECT_EQ(fresh.main(), c.effects) << "key " << c.key << " in face " << int(c.face);
        EXPECT_FALSE(fresh.log.contains("select 0") || fresh.log.contains("select 1"))
            << "the keyboard keeps the current camera";
    }
}

TEST_F(ShellControllerTest, KeyboardKeepsTheBoardsFiltersAndOpensTheToolbar) {
    enter(Face::Live);
    clock.advance(1000);
    shell.onKeyboard(Qt::Key_Space);
    clock.advance(100);
    shell.onKeyboard(Qt::Key_Return);
    EXPECT_EQ(r.main(), QStringList{"takePicture 0"}) << "the repeat filter and capture busy hold";
    shell.onPictureReady(3, kTagKeepHidden);
    r.log.clear();
    shell.onKeyboard(Qt::Key_Menu);
    EXPECT_EQ(r.log, QStringList{"toolbar"});
    shell.runCommand(10005);
    r.log.clear();
    shell.onKeyboard(Qt::Key_Menu);
    EXPECT_TRUE(r.log.isEmpty()) << "calibration has no toolbar";
    clock.advance(1000);
    shell.onKeyboard(Qt::Key_Escape);
    EXPECT_FALSE(shell.state().calibration) << "any key ends calibration, as a board's does";
}

}  // namespace
