#include "app/AppUi.h"
#include "app/QuilletApp.h"
#include "lang/TextIds.h"
#include "pictures/BoardHandOff.h"
#include "pictures/ui/PicListView.h"
#include "platform/Message.h"
#include "platform/MessageBoxTypes.h"
#include "platform/MessageIds.h"
#include "platform/Process.h"
#include "tests/pictures/PictureFixture.h"
#include "tests/pictures/RecordingHost.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QListWidget>
#include <QPushButton>

#include <memory>

#include <signal.h>

using picturetest::RecordingHost;
using namespace platform;

namespace {

class SilentUi : public AppUi {
public:
    int messageBox(const QString&, const QString&, unsigned, const QString&,
                   const QString&) override {
        return kIdOk;
    }
    void runMainDialog(CQuilletApp&) override {}
};

// The relay's command decoded: the picture file and where it goes.
struct Command {
    QString file;
    int w = -1, h = -1, x = -1, y = -1;
};

Command decode(const QString& parameters) {
    if (!parameters.startsWith("json2wb=")) return {};
    const QJsonDocument doc =
        QJsonDocument::fromJson(QByteArray::fromBase64(parameters.mid(8).toLatin1()));
    const QJsonObject data = doc["data"].toObject();
    return {data["file"].toString(), data["size"]["w"].toInt(), data["size"]["h"].toInt(),
            data["location"]["x"].toInt(), data["location"]["y"].toInt()};
}

// The whiteboard's relay is a script that logs its parameters, found through the install path
// file the application reads; the whiteboard itself is a program running under its name.
class BoardHandOffTest : public picturetest::PictureFixture {
protected:
    BoardHandOffTest() : host(store) {
        const QString board = tmp.file("board");
        QDir().mkpath(board);
        writeFile(tmp.file("KestraneBoard.conf"), "InstallPath=" + board.toUtf8() + "\n");
        app.setBoardRegistryFiles({tmp.file("KestraneBoard.conf")});
        writeRelay("printf '%s\\n' \"$*\" >> '" + relayLog().toUtf8() + "'\n");
        host.app = &app;
        view = std::make_unique<CPicListView>(host);
    }
    ~BoardHandOffTest() override {
        if (whiteboard) whiteboard->kill();
    }

    QString relayLog() const { return tmp.file("relay.log"); }
    QStringList relayRuns() const {
        return QString::fromUtf8(readFile(relayLog())).split('\n', Qt::SkipEmptyParts);
    }
    void writeRelay(const QByteArray& body) {
        const QString relay = tmp.file("board/Pellgate.exe");
        writeFile(relay, "#!/bin/sh\n" + body);
        QFile::setPermissions(relay, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    void startWhiteboard() {
        const QString exe = tmp.file("KestraneBoard.exe");
        QFile::copy("/bin/sleep", exe);
        whiteboard = std::make_unique<ChildProcess>(exe, QStringList{"60"});
        ASSERT_TRUE(whiteboard->started());
        ASSERT_TRUE(testsupport::MessageRecorder::waitUntil(&CQuilletApp::WhiteboardRunning));
    }
    void list(std::initializer_list<std::pair<int, QSize>> pictures) {
        for (const auto& [n, size] : pictures) {
            writePicture(n, size);
            view->AddPicture(n);
        }
    }
    void check(int row) {
        view->findChild<QListWidget*>("1005")->item(row)->setCheckState(Qt::Checked);
    }
    void import() { view->findChild<QPushButton*>("1010")->click(); }

    SilentUi ui;
    CQuilletApp app{ui};
    RecordingHost host;
    std::unique_ptr<CPicListView> view;
    std::unique_ptr<ChildProcess> whiteboard;
};

}  // namespace

TEST_F(BoardHandOffTest, ImportHandsTheCheckedPicturesOverInListOrder) {
    startWhiteboard();
    list({{1, {1600, 1200}}, {2, {1200, 400}}, {3, {640, 480}}, {4, {1600, 1200}}});
    check(3);
    check(1);
    check(0);
    import();
    const QStringList runs = relayRuns();
    ASSERT_EQ(runs.size(), 3);
    EXPECT_EQ(runs, host.relayRuns) << "one relay run per picture, its parameter as given";
    const Command first = decode(runs[0]), second = decode(runs[1]), third = decode(runs[2]);
    EXPECT_EQ(first.file, store.picturePath(1));
    EXPECT_EQ(second.file, store.picturePath(2));
    EXPECT_EQ(third.file, store.picturePath(4));
    EXPECT_EQ((std::vector<int>{first.w, first.h, first.x, first.y}),
              (std::vector<int>{1440, 1080, 240, 0}));
    EXPECT_EQ((std::vector<int>{second.w, second.h, second.x, second.y}),
              (std::vector<int>{1920, 640, 0, 220}));
    for (int row = 0; row < 4; ++row) EXPECT_FALSE(view->isChecked(row));
    EXPECT_FALSE(view->findChild<QCheckBox*>("1001")->isChecked());
    EXPECT_EQ(host.views, std::vector<bool>{false}) << "the view steps aside first";
    EXPECT_EQ(host.installPathReads, 1);
    EXPECT_EQ(host.strokeClears, 1);
}

TEST_F(BoardHandOffTest, ImportWithNothingCheckedSaysSoOnce) {
    startWhiteboard();
    list({{1, {320, 240}}});
    import();
    EXPECT_EQ(host.onceBoxes, std::vector<int>{text::kNoPictureToShare});
    EXPECT_TRUE(host.boxes.empty());
    EXPECT_TRUE(relayRuns().isEmpty());
    EXPECT_TRUE(host.views.empty());
}

TEST_F(BoardHandOffTest, ImportWithoutAWhiteboardSaysSoAndRunsNothing) {
    list({{1, {320, 240}}});
    check(0);
    // A second Import while the box is open shows no second box.
    host.whileBoxOpen = [this] {
        EXPECT_TRUE(view->boardPromptShown());
        view->OnImport();
    };
    import();
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].text, "#20041");
    EXPECT_EQ(host.boxes[0].caption, "#20002");
    EXPECT_EQ(host.boxes[0].type, unsigned(kMbOk | kMbSystemModal));
    EXPECT_FALSE(view->boardPromptShown());
    EXPECT_TRUE(host.relayRuns.isEmpty());
    EXPECT_EQ(host.installPathReads, 0);
    EXPECT_TRUE(view->isChecked(0));
}

TEST_F(BoardHandOffTest, TheDisplayScaleDividesTheCommandsNumbers) {
    writePicture(1, {1600, 1200});
    pictures::BoardHandOff handOff(host);
    host.dpi = 120;
    EXPECT_EQ(handOff.DisplayScale(), 1.25f);
    app.ReadBoardInstallPath();
    ASSERT_TRUE(handOff.HandOffPicture(1));
    const Command c = decode(relayRuns().value(0));
    EXPECT_EQ((std::vector<int>{c.w, c.h, c.x, c.y}), (std::vector<int>{1152, 864, 192, 0}));
    host.dpi = 0;
    EXPECT_EQ(handOff.DisplayScale(), 1.0f);
}

TEST_F(BoardHandOffTest, APictureWithoutSizeIsNotHandedOver) {
    pictures::BoardHandOff handOff(host);
    app.ReadBoardInstallPath();
    EXPECT_FALSE(handOff.HandOffPicture(7)) << "no file";
    writeFile(store.picturePath(8), "not a picture");
    EXPECT_FALSE(handOff.HandOffPicture(8));
    EXPECT_TRUE(host.relayRuns.isEmpty());
}

TEST_F(BoardHandOffTest, ARelayThatNeverEndsIsGivenUpAndTheNextOneStillRuns) {
    writePicture(1, {320, 240});
    writePicture(2, {320, 240});
    writeRelay("echo $$ > '" + tmp.file("hung.pid").toUtf8() + "'\nexec sleep 30\n");
    app.setBoardRelayTimeoutMs(300);
    app.ReadBoardInstallPath();
    pictures::BoardHandOff handOff(host);
    EXPECT_TRUE(handOff.HandOffPicture(1));
    const pid_t hung = readFile(tmp.file("hung.pid")).trimmed().toInt();
    ASSERT_GT(hung, 0);
    EXPECT_NE(::kill(hung, 0), 0) << "ended, so it cannot deliver after a later hand-off";

    writeRelay("printf '%s\\n' \"$*\" >> '" + relayLog().toUtf8() + "'\n");
    EXPECT_TRUE(handOff.HandOffPicture(2));
    EXPECT_EQ(decode(relayRuns().value(0)).file, store.picturePath(2));
}

// After a capture: the link decides, as the main dialog asks it (no processes needed here).
class NewPictureTest : public picturetest::PictureFixture {
protected:
    NewPictureTest() : host(store), handOff(host) { writePicture(1, {800, 600}); }
    RecordingHost host;
    pictures::BoardHandOff handOff;
};

TEST_F(NewPictureTest, LinkedToARunningWhiteboardHandsOverAndHides) {
    host.linked = true;
    host.whiteboard = true;
    EXPECT_TRUE(handOff.HandOffNewPicture(1));
    ASSERT_EQ(host.relayRuns.size(), 1);
    EXPECT_EQ(decode(host.relayRuns[0]).file, store.picturePath(1));
    EXPECT_EQ(host.views, std::vector<bool>{false});
    EXPECT_EQ(host.strokeClears, 1);
    EXPECT_TRUE(host.boxes.empty());
}

TEST_F(NewPictureTest, ALinkWhoseWhiteboardIsGoneIsDropped) {
    host.linked = true;
    EXPECT_FALSE(handOff.HandOffNewPicture(1));
    EXPECT_FALSE(host.linked);
    EXPECT_TRUE(host.relayRuns.isEmpty());
    EXPECT_TRUE(host.views.empty());
}

TEST_F(NewPictureTest, ARunningWhiteboardAsksToLinkUntilDeclined) {
    host.whiteboard = true;
    host.answer = kIdCancel;
    EXPECT_FALSE(handOff.HandOffNewPicture(1));
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].text, "#20001");
    EXPECT_EQ(host.boxes[0].type, unsigned(kMbOkCancel | kMbSystemModal));
    EXPECT_TRUE(host.declined);
    EXPECT_FALSE(handOff.HandOffNewPicture(1));
    EXPECT_EQ(host.boxes.size(), 1u) << "declined: not asked again";

    // Once the whiteboard has gone the question may come again.
    host.whiteboard = false;
    EXPECT_FALSE(handOff.HandOffNewPicture(1));
    EXPECT_FALSE(host.declined);
    host.whiteboard = true;
    host.answer = kIdOk;
    EXPECT_TRUE(handOff.HandOffNewPicture(1));
    EXPECT_EQ(host.boxes.size(), 2u);
    EXPECT_TRUE(host.linked);
    EXPECT_EQ(host.installPathReads, 1);
    EXPECT_EQ(host.relayRuns.size(), 1);
}
