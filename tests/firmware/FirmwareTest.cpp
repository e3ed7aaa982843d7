// The firmware update dialogs on simulated button boards and a burner tool that is a script.
#include "device/DeviceManager.h"
#include "firmware/BoardListFont.h"
#include "firmware/ui/BIOSUpdateDlg.h"
#include "firmware/ui/BIOSUpdateDlg_2.h"
#include "lang/TextIds.h"
#include "platform/MessageBoxTypes.h"
#include "platform/hid/SimBoard.h"
#include "platform/hid/SimBoardTransport.h"
#include "tests/support/CutTexts.h"
#include "tests/support/FakeClock.h"
#include "tests/support/PackTexts.h"
#include "tests/support/QtPrinters.h"
#include "tests/support/TextPlace.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTextEdit>
#include <QThread>

namespace {

class RecordingHost : public FirmwareHost {
public:
    struct Box {
        QString text, caption;
        unsigned type;
    };
    QString text(int id) const override {
        const auto it = pack.find(id);
        return it != pack.end() ? it->second : QString("t%1").arg(id);
    }
    int ShowMessage(const QString& t, const QString& c, unsigned type) override {
        boxes.push_back({t, c, type});
        return answer;
    }
    QString programFolder() const override { return folder; }
    void closeProgram() override { ++closed; }

    int answer = platform::kIdOk;
    QString folder;
    int closed = 0;
    std::vector<Box> boxes;
    testsupport::PackTexts pack;
};

class FirmwareTest : public testing::Test {
protected:
    // Boards 0 and 1 with identifications out of sorted order.
    void SetUp() override {
        sim.execute("id FFFF0000 0");
        sim.execute("id 00000001 1");
        ASSERT_EQ(devices.EnumDevices(), 2);
        devices.OpenAll();
        host.folder = dir.file("program folder");
        dlg = std::make_unique<CBIOSUpdateDlg>(host, devices, clock);
    }
    void enter(const QString& password) {
        dlg->passwordBox()->setText(password);
        dlg->okButton()->click();
    }
    QStringList lines() {
        QStringList out;
        for (int i = 0; i < chooser()->boardList()->count(); ++i)
            out << chooser()->boardList()->item(i)->text();
        return out;
    }
    BIOSUpdateDlg_2* chooser() { return dlg->chooser(); }
    QStringList log(int board) { return sim.execute(QString("log %1").arg(board)).split('\n'); }
    // A burner tool at the path with blanks that notes where it ran.
    QString installTool() {
        const QString tool = host.folder + FirmwareUpdate::kToolPath;
        QDir().mkpath(QFileInfo(tool).path());
        QFile f(tool);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("#!/bin/sh\necho \"ran $# $0\" > '" + dir.file("ran.txt").toUtf8() + "'\n");
        f.close();
        f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        return tool;
    }
    QString waitForRan() {
        QFile f(dir.file("ran.txt"));
        for (int i = 0; i < 500 && f.size() == 0; ++i) QThread::msleep(10);
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()).trimmed() : QString();
    }

    testsupport::TempDir dir;
    testsupport::FakeClock clock;
    platform::hid::SimBoardTransport sim{2};
    QObject owner;
    DeviceManager devices{&owner, sim, clock};
    RecordingHost host;
    std::unique_ptr<CBIOSUpdateDlg> dlg;
};

}  // namespace

TEST_F(FirmwareTest, PasswordDialogTextsAndWrongPasswords) {
    EXPECT_EQ(dlg->prompt()->text(), "t20014");
    EXPECT_EQ(dlg->messageArea()->toPlainText(), "t20031");
    EXPECT_FALSE(dlg->messageArea()->isEnabled());
    EXPECT_TRUE(dlg->messageArea()->isReadOnly());
    EXPECT_EQ(dlg->passwordBox()->echoMode(), QLineEdit::Password);
    EXPECT_EQ(dlg->okButton()->text(), "t1");
    EXPECT_EQ(dlg->cancelButton()->text(), "t2");
    EXPECT_FALSE(chooser()->isVisible());

    dlg->ShowForUpgrade();
    // Attempts are not limited; each wrong one says so and the chooser stays hidden.
    for (const char* wrong : {"", "6306", "63070", " 6307", "6307 ", "abcd", "6307\n"}) {
        enter(QString::fromUtf8(wrong));
        EXPECT_EQ(dlg->messageArea()->toPlainText(), "t20015") << wrong;
        EXPECT_FALSE(chooser()->isVisible()) << wrong;
        EXPECT_TRUE(dlg->isVisible());
    }
    // The command empties the box and puts the warning back.
    dlg->ShowForUpgrade();
    EXPECT_TRUE(dlg->passwordBox()->text().isEmpty());
    EXPECT_EQ(dlg->messageArea()->toPlainText(), "t20031");
    dlg->passwordBox()->setText("6307");
    dlg->cancelButton()->click();
    EXPECT_FALSE(dlg->isVisible());
    dlg->show();
    EXPECT_TRUE(dlg->passwordBox()->text().isEmpty());
}

TEST_F(FirmwareTest, TheRightPasswordListsEveryBoardInListOrder) {
    dlg->ShowForUpgrade();
    enter("6307");
    EXPECT_EQ(dlg->messageArea()->toPlainText(), "t20031");
    EXPECT_TRUE(chooser()->isVisible());
    EXPECT_EQ(lines(), (QStringList{"FFFF0000", "00000001"}));
    EXPECT_EQ(chooser()->keyUpgradeButton()->text(), "t20056");
    EXPECT_EQ(chooser()->cameraUpgradeButton()->text(), "t20057");
    EXPECT_EQ(chooser()->boardList()->font().pointSize(), 18);
    // Filled anew, never twice.
    enter("6307");
    EXPECT_EQ(lines().size(), 2);
}

TEST_F(FirmwareTest, KeyUpgradeSendsZToTheChosenBoardWhichLeavesTheList) {
    dlg->ShowForUpgrade();
    enter("6307");
    host.answer = platform::kIdCancel;
    chooser()->keyUpgradeButton()->click();
    EXPECT_FALSE(log(0).contains("Z"));
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].text, "t20038");
    EXPECT_EQ(host.boxes[0].caption, "t20002");
    EXPECT_EQ(host.boxes[0].type, unsigned(platform::kMbOkCancel | platform::kMbSystemModal));

    // Nothing selected: the first board.
    host.answer = platform::kIdOk;
    const int64_t before = clock.nowMs();
    chooser()->keyUpgradeButton()->click();
    EXPECT_EQ(log(0).last(), "Z");
    EXPECT_FALSE(log(1).contains("Z"));
    EXPECT_GE(clock.nowMs() - before, 1000);
    EXPECT_EQ(devices.GetDeviceCount(), 1);
    EXPECT_EQ(lines(), (QStringList{"00000001"}));

    chooser()->boardList()->setCurrentRow(0);
    chooser()->keyUpgradeButton()->click();
    EXPECT_EQ(log(1).last(), "Z");
    EXPECT_EQ(devices.GetDeviceCount(), 0);
    EXPECT_TRUE(lines().isEmpty());

    // No board left: asked, then nothing.
    chooser()->keyUpgradeButton()->click();
    EXPECT_EQ(host.boxes.size(), 4u);
    EXPECT_EQ(host.closed, 0);
}

TEST_F(FirmwareTest, ABoardThatLeftAfterTheListWasFilledIsNotConfusedWithAnother) {
    dlg->ShowForUpgrade();
    enter("6307");
    ASSERT_EQ(devices.RemoveDevice(platform::hid::SimBoard(0).path()), 0);
    // Line 0 still shows the board that left; board 1 is now first in the list.
    chooser()->boardList()->setCurrentRow(0);
    chooser()->keyUpgradeButton()->click();
    EXPECT_FALSE(log(1).contains("Z"));
    EXPECT_EQ(devices.GetDeviceCount(), 1);
    EXPECT_EQ(lines(), (QStringList{"00000001"}));  // shown as it is now
    chooser()->keyUpgradeButton()->click();
    EXPECT_EQ(log(1).last(), "Z");
}

TEST_F(FirmwareTest, CameraUpgradeStartsTheToolAtThePathWithBlanksThenClosesTheProgram) {
    dlg->ShowForUpgrade();
    enter("6307");
    // No tool installed: the program stays.
    chooser()->cameraUpgradeButton()->click();
    EXPECT_EQ(host.closed, 0);
    EXPECT_EQ(host.boxes.size(), 1u);

    const QString tool = installTool();
    host.answer = platform::kIdCancel;
    chooser()->cameraUpgradeButton()->click();
    EXPECT_EQ(host.closed, 0);
    EXPECT_FALSE(QFile::exists(dir.file("ran.txt")));

    host.answer = platform::kIdOk;
    chooser()->cameraUpgradeButton()->click();
    EXPECT_EQ(host.closed, 1);
    EXPECT_EQ(waitForRan(), "ran 0 " + tool);
}

TEST_F(FirmwareTest, AToolThatCannotRunOrNoProgramFolderLeavesTheProgramRunning) {
    const QString tool = installTool();
    QFile(tool).setPermissions(QFile::ReadOwner | QFile::WriteOwner);  // not executable
    FirmwareUpdate update(host, devices, clock);
    EXPECT_EQ(update.cameraUpgrade(), FirmwareUpdate::Outcome::kNothingToDo);
    host.folder.clear();
    QStringList started;
    FirmwareUpdate recorded(host, devices, clock, [&](const QString& f, const QStringList&) {
        started << f;
        return true;
    });
    EXPECT_EQ(recorded.cameraUpgrade(), FirmwareUpdate::Outcome::kNothingToDo);
    EXPECT_TRUE(started.isEmpty());
    EXPECT_EQ(host.closed, 0);
}

TEST_F(FirmwareTest, EveryPacksTextsShowWholeInBothDialogs) {
    for (const QString& code : testsupport::packCodes()) {
        dlg.reset();
        host.pack = testsupport::readPack(code);
        ASSERT_FALSE(host.pack.empty()) << code.toStdString();
        dlg = std::make_unique<CBIOSUpdateDlg>(host, devices, clock);
        EXPECT_EQ(testsupport::cutTexts(*dlg).join(u'\n').toStdString(), "") << code.toStdString();
        EXPECT_EQ(testsupport::cutTexts(*dlg->chooser()).join(u'\n').toStdString(), "")
            << code.toStdString();
        if (code == "ar") {
            dlg->setLayoutDirection(Qt::RightToLeft);
            dlg->chooser()->setLayoutDirection(Qt::RightToLeft);
            dlg->chooser()->Fill();
        }
        // The prompt and the warning keep to the window's leading edge, the right one in Arabic.
        EXPECT_EQ(testsupport::misplacedTexts(*dlg).join(u'\n').toStdString(), "")
            << code.toStdString();
        testsupport::saveShot(*dlg, "firmware-password-" + code);
        testsupport::saveShot(*dlg->chooser(), "firmware-chooser-" + code);
        dlg->chooser()->hide();
        // OK before Cancel, both at the bottom right, a gap between them.
        if (code != "ar") EXPECT_LT(dlg->okButton()->geometry().right(), dlg->cancelButton()->x());
        EXPECT_LT(dlg->cancelButton()->geometry().right(), dlg->width());
    }
}

TEST_F(FirmwareTest, RightToLeftPutsOkRightOfCancelAndMirrorsTheChooser) {
    const int w = dlg->width();
    const QRect ok = dlg->okButton()->geometry();
    const QRect cancel = dlg->cancelButton()->geometry();
    const QRect prompt = dlg->findChild<QLabel*>("1001")->geometry();
    dlg->setLayoutDirection(Qt::RightToLeft);
    const auto mirrored = [](const QRect& r, int width) {
        return QRect(width - r.x() - r.width(), r.y(), r.width(), r.height());
    };
    EXPECT_EQ(dlg->okButton()->geometry(), mirrored(ok, w));
    EXPECT_EQ(dlg->cancelButton()->geometry(), mirrored(cancel, w));
    EXPECT_GT(dlg->okButton()->x(), dlg->cancelButton()->x());
    EXPECT_EQ(dlg->findChild<QLabel*>("1001")->geometry(), mirrored(prompt, w));

    BIOSUpdateDlg_2& chooser = *dlg->chooser();
    const int cw = chooser.width();
    const QRect key = chooser.keyUpgradeButton()->geometry();
    chooser.setLayoutDirection(Qt::RightToLeft);
    EXPECT_EQ(chooser.keyUpgradeButton()->geometry(), mirrored(key, cw));
    EXPECT_GT(chooser.keyUpgradeButton()->x(), chooser.cameraUpgradeButton()->x());
}

// As the program opens it in Arabic: the whole application right-to-left before the dialog is
// built, the warning put in anew on showing, then the answer to a wrong password.
TEST_F(FirmwareTest, ArabicWarningAndItsAnswerStandAtTheRightOfAWindowBuiltRightToLeft) {
    dlg.reset();
    host.pack = testsupport::readPack("ar");
    QApplication::setLayoutDirection(Qt::RightToLeft);
    dlg = std::make_unique<CBIOSUpdateDlg>(host, devices, clock);
    dlg->ShowForUpgrade();
    QApplication::processEvents();
    EXPECT_EQ(testsupport::misplacedTexts(*dlg).join(u'\n').toStdString(), "");
    testsupport::saveShot(*dlg, "firmware-warning-ar");
    enter("wrong");
    EXPECT_EQ(dlg->messageArea()->toPlainText(), host.pack[text::kWrongPassword]);
    EXPECT_EQ(testsupport::misplacedTexts(*dlg).join(u'\n').toStdString(), "");
    dlg->hide();
    QApplication::setLayoutDirection(Qt::LeftToRight);
}

TEST(BoardListFont, TheSongFaceWhereInstalledElseACjkFaceAt18Points) {
    EXPECT_EQ(BoardListFont::choose({"DejaVu Sans", "宋体", "WenQuanYi Micro Hei"}).family(),
              "宋体");
    EXPECT_EQ(BoardListFont::choose({"SimSun"}).family(), "SimSun");
    EXPECT_EQ(BoardListFont::choose({"DejaVu Sans", "wenquanyi micro hei"}).family(),
              "WenQuanYi Micro Hei");
    EXPECT_EQ(BoardListFont::choose({"DejaVu Sans"}).pointSize(), 18);
    EXPECT_EQ(BoardListFont::choose({"Noto Sans CJK SC"}).pointSize(), 18);
    // Faces for what the chosen one lacks follow it.
    EXPECT_EQ(BoardListFont::choose({"SimSun", "Noto Sans Arabic", "DejaVu Sans"}).families(),
              (QStringList{"SimSun", "Noto Sans Arabic", "DejaVu Sans"}));
}
