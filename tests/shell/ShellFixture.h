#pragma once
// The main window on the simulated camera, with boards in memory, a fake clock and a recorder in
// place of message boxes; folders of its own for every test.
#include "app/AppUi.h"
#include "app/QuilletApp.h"
#include "shell/ui/QuilletDlg.h"
#include "tests/device/FakeHidTransport.h"
#include "tests/support/FakeClock.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <QStringList>

#include <memory>
#include <vector>

class BoxRecorder : public AppUi {
public:
    int messageBox(const QString& text, const QString&, unsigned, const QString& okText,
                   const QString& cancelText) override;
    void runMainDialog(CQuilletApp&) override {}

    QStringList texts;
    // Answers in order; when they run out, OK.
    std::vector<int> answers;
};

class ShellTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Starts the application (cameras: "sim" or "sim2") and the main window.
    void start(const char* cameras = "sim", const QStringList& args = {"Ostrely"});
    CQuilletDlg& dlg() { return *m_dialog; }
    CQuilletApp& app() { return *m_app; }
    QString text(int id) { return m_app->SetText(id); }
    // Delivers what the window has been posted (keys, picture-ready messages) and waits for a
    // capture to end.
    void settle();
    void key(int type, int board = 0);
    QString boardPath(int index) const;
    void plugBoard(int index);

    testsupport::TempDir root;
    testsupport::FakeClock clock;
    // The boards' reading thread waits on a clock of its own, so the window's stays still.
    testsupport::FakeClock boardClock{testsupport::FakeClock::Pace::Paced};
    testsupport::FakeHidTransport* boards = nullptr;
    // When set before start(), the window gets these boards on this clock instead.
    std::unique_ptr<platform::hid::HidTransport> otherBoards;
    platform::Clock* otherBoardClock = nullptr;
    // How the window is placed; set before start() for a Wayland session.
    platform::WindowPlacement placement;
    BoxRecorder ui;

private:
    std::unique_ptr<CQuilletApp> m_app;
    std::unique_ptr<CQuilletDlg> m_dialog;
};
