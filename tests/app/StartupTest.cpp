// Start-up decisions of the application object, without a display.
#include "StartupFixture.h"
#include "lang/TextIds.h"

#include "lang/TextIds.h"
#include "platform/MessageBoxTypes.h"
#include "platform/SingleInstance.h"

#include "tests/support/LogCapture.h"
#include "tests/support/QtPrinters.h"

#include <sys/stat.h>

#include <cerrno>

using namespace platform;

TEST_F(StartupTest, OnlyASingleArgumentBecomesTheStartArgument) {
    start({"Ostrely", "-Start"});
    EXPECT_EQ(app->startArgument(), "-Start");
    EXPECT_EQ(ui.dialogRuns, 1);
    start({"Ostrely", "-Start", "-Start"});
    EXPECT_EQ(app->startArgument(), "");
    start({"Ostrely", "other"});
    EXPECT_EQ(app->startArgument(), "other");
    EXPECT_FALSE(start({"Ostrely"}));
    EXPECT_EQ(app->startArgument(), "");
}

TEST_F(StartupTest, LanguageCodeChoosesThePack) {
    struct Case {
        const char* code;
        const char* cancelText;
    } cases[] = {{"zh_CN", "取消"}, {"zh-CN", "取消"},     {"uk_UA", "Скасувати"},
                 {"ar", "إلغاء"},   {"2052", "Cancel"},    {"fr_FR", "Cancel"},
                 {"", "Cancel"},    {"../../x", "Cancel"}, {"0zh", "Cancel"}};
    for (const Case& c : cases) {
        writeConfigLanguage(c.code);
        start();
        EXPECT_EQ(app->SetText(2), QString(c.cancelText)) << c.code;
    }
    EXPECT_TRUE(ui.boxes.empty());

    writeFile(root.file("appdata/Haxo/Config.xml"), "<Config><Language>zh_CN</Language>");
    start();
    EXPECT_EQ(app->languageCode(), "en_US") << "a malformed Config.xml is ignored";
    QFile::remove(root.file("appdata/Haxo/Config.xml"));
    start();
    EXPECT_EQ(app->languageCode(), "en_US");
}

TEST_F(StartupTest, TheDesktopsLanguageWhereConfigNamesNoPackOfOurs) {
    qputenv("LANG", "uk_UA.UTF-8");
    start();
    EXPECT_EQ(app->languageCode(), "uk_UA");
    EXPECT_EQ(app->SetText(2), QString("Скасувати")) << "no Config.xml: the desktop's language";
    writeConfigLanguage("fr_FR");
    start();
    EXPECT_EQ(app->languageCode(), "uk_UA") << "a code without a pack gives way to the desktop";
    writeConfigLanguage("zh_CN");
    start();
    EXPECT_EQ(app->languageCode(), "zh_CN") << "Config.xml wins when it names a pack we have";
    qputenv("LANG", "de_DE.UTF-8");
    QFile::remove(root.file("appdata/Haxo/Config.xml"));
    start();
    EXPECT_EQ(app->languageCode(), "en_US") << "a language without a pack: English";
    EXPECT_TRUE(ui.boxes.empty());
    qunsetenv("LANG");
}

TEST_F(StartupTest, NoPackAtAllStopsWithUnlocalisedBoxesAndEmptyTexts) {
    writeConfigLanguage("uk_UA");
    QFile::remove(root.file("program/Qvlang"));
    EXPECT_FALSE(start());
    ASSERT_EQ(ui.boxes.size(), 3u);
    EXPECT_EQ(ui.boxes[0].text, "2:" + root.file("program/Qvlang/en_US.so"));
    EXPECT_EQ(ui.boxes[0].caption, "Error");
    EXPECT_EQ(ui.boxes[0].type, unsigned(kMbIconError));
    EXPECT_EQ(ui.boxes[1].text, "uk_UA");
    EXPECT_EQ(ui.boxes[1].type, unsigned(kMbIconError | kMbSystemModal));
    EXPECT_EQ(ui.boxes[2].text, "Language file open error!");
    EXPECT_EQ(ui.dialogRuns, 0);
    EXPECT_EQ(app->SetText(20002), "");
    EXPECT_FALSE(QFile::exists(cameraConfig())) << "stopped before the settings";
}

TEST_F(StartupTest, TextsComeBackCutTo127Units) {
    QFile::remove(root.file("program/Qvlang"));
    QDir().mkpath(root.file("program/Qvlang"));
    QFile::link(OSTRELY_TEST_PACK_DIR "/xx_TEST.so", root.file("program/Qvlang/xx_TEST.so"));
    QFile::link(OSTRELY_BIN_DIR "/Qvlang/en_US.so", root.file("program/Qvlang/en_US.so"));
    makeApp();
    ASSERT_TRUE(app->LoadLanguage("xx-TEST"));
    const QString cut = app->SetText(20002);
    EXPECT_EQ(cut.size(), 127);
    EXPECT_TRUE(cut.endsWith("0123456"));
    EXPECT_EQ(app->SetText(20047), QString::fromUtf8("😀 surrogate pair"));
    EXPECT_EQ(app->SetText(2), "") << "ids a pack lacks are empty, not taken from another pack";
    EXPECT_EQ(app->SetText(-1), "");
    ASSERT_TRUE(app->LoadLanguage("en_US"));
    EXPECT_EQ(app->SetText(2), "Cancel");
    EXPECT_EQ(app->programFolder(), root.file("program"));
}

TEST_F(StartupTest, TheDeliveredPacksLeaveTheTrayTextsToEnglish) {
    makeApp();
    for (const char* code : {"zh_CN", "uk_UA", "ar"}) {
        ASSERT_TRUE(app->LoadLanguage(code));
        for (int id : {10201, 10203, 10204}) EXPECT_EQ(app->SetText(id), "") << code << ' ' << id;
        for (int id = 20001; id <= text::kQrFailed; ++id)
            EXPECT_NE(app->SetText(id), "") << code << ' ' << id;
    }
    ASSERT_TRUE(app->LoadLanguage("en_US"));
    for (int id : {1, 2, 10201, 10203, 10204}) EXPECT_NE(app->SetText(id), "") << id;
    for (int id = 20001; id <= text::kQrFailed; ++id) EXPECT_NE(app->SetText(id), "") << id;
}

// Packs left broken by an interrupted copy or put there by hand: the default pack stands in,
// and a broken default stops with the boxes of a missing one. Never a fault or a wait.
TEST_F(StartupTest, BrokenPacksCountAsMissing) {
    const QString packs = root.file("program/Qvlang");
    QFile::remove(packs);
    QDir().mkpath(packs);
    QFile::link(OSTRELY_BIN_DIR "/Qvlang/en_US.so", packs + "/en_US.so");
    QFile real(OSTRELY_BIN_DIR "/Qvlang/zh_CN.so");
    ASSERT_TRUE(real.open(QIODevice::ReadOnly));
    const QByteArray whole = real.readAll();
    ASSERT_GT(whole.size(), 4096);
    writeFile(packs + "/zh_CN.so", whole.left(4096));
    ASSERT_EQ(::mkfifo(QFile::encodeName(packs + "/uk_UA.so").constData(), 0600), 0);
    writeFile(packs + "/ar.so", "not a library\n");
    QByteArray foreign = whole;
    foreign[18] = static_cast<char>(0x28);  // another machine's library (e_machine)
    foreign[19] = 0;
    writeFile(packs + "/xx_TEST.so", foreign);
    QDir().mkpath(packs + "/fr_FR.so");

    for (const char* code : {"zh_CN", "uk_UA", "ar", "xx_TEST", "fr_FR"}) {
        writeConfigLanguage(code);
        start();
        EXPECT_EQ(app->SetText(2), "Cancel") << code;
    }
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_EQ(ui.dialogRuns, 5);

    QFile::remove(packs + "/en_US.so");
    writeFile(packs + "/en_US.so", whole.left(4096));
    writeConfigLanguage("zh_CN");
    EXPECT_FALSE(start());
    ASSERT_EQ(ui.boxes.size(), 3u);
    EXPECT_EQ(ui.boxes[0].text, QStringLiteral("%1:%2").arg(ENOEXEC).arg(packs + "/en_US.so"));
    EXPECT_EQ(ui.boxes[2].text, "Language file open error!");

    QFile::remove(packs + "/en_US.so");
    ASSERT_EQ(::mkfifo(QFile::encodeName(packs + "/en_US.so").constData(), 0600), 0);
    ui.boxes.clear();
    EXPECT_FALSE(start());
    EXPECT_EQ(ui.boxes.size(), 3u);
}

// The texts the lesson's safety adds: in every pack, none cut by the 127-unit buffer.
TEST_F(StartupTest, EveryPackTellsOfFailedExportsAndLeftOutPictures) {
    makeApp();
    for (const char* code : {"en_US", "zh_CN", "uk_UA", "ar"}) {
        ASSERT_TRUE(app->LoadLanguage(code));
        for (int id : {text::kExportFailed, text::kPicturesLeftOut, text::kLessonBack,
                       text::kKeysUnreachable}) {
            const QString t = app->SetText(id);
            EXPECT_FALSE(t.isEmpty()) << code << ' ' << id;
            EXPECT_LT(t.size(), 127) << code << ' ' << id;
        }
    }
}

TEST_F(StartupTest, ASecondInstanceIsRefused) {
    writeConfigLanguage("zh_CN");
    makeApp();
    ASSERT_EQ(SingleInstance::acquire("Ostrely.exe"), SingleInstance::Result::Acquired);
    EXPECT_FALSE(app->InitInstance({"Ostrely"}));
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].text, "程序已经打开");
    EXPECT_EQ(ui.boxes[0].caption, "提示");
    EXPECT_EQ(ui.boxes[0].type, unsigned(kMbSystemModal | kMbOk));
    EXPECT_EQ(ui.boxes[0].okText, "确定");
    EXPECT_EQ(ui.dialogRuns, 0);
}

TEST_F(StartupTest, NoCameraStopsTheStart) {
    qunsetenv("OSTRELY_CAMERA");
    EXPECT_FALSE(start());
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].text, "No camera detected");
    EXPECT_EQ(ui.boxes[0].caption, "Prompt");
    EXPECT_EQ(ui.dialogRuns, 0);
}

TEST_F(StartupTest, FirstStartWritesTheSettingsAndRegistersOnceOnly) {
    start();
    EXPECT_EQ(readFile(cameraConfig()), newCameraConfig(true));
    EXPECT_EQ(autovellCalls(), QStringList({"open " + programPath() + " -Start"}));
    EXPECT_TRUE(app->autostartFlag());
    EXPECT_FALSE(app->swapFlag());
    EXPECT_TRUE(app->IsAutostartRegistered());

    start();
    EXPECT_EQ(autovellCalls().size(), 1) << "already registered: Autovell is not run again";
    EXPECT_TRUE(app->autostartFlag());
    EXPECT_EQ(readFile(cameraConfig()), newCameraConfig(true));
}

TEST_F(StartupTest, IncompleteOrReorderedSettingsAreRewrittenOffAndTheEntryRemoved) {
    start();  // registers
    ASSERT_TRUE(QFile::exists(autostartFile()));
    const QByteArray incomplete =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<CameraConfig>\r\n"
        "<IsChange>true</IsChange>\r\n</CameraConfig>\r\n";
    const QByteArray reordered =
        "<CameraConfig><IsAutoStart>true</IsAutoStart>"
        "<IsChange>true</IsChange></CameraConfig>";
    for (const QByteArray& bytes : {incomplete, reordered}) {
        writeFile(cameraConfig(), bytes);
        start();
        EXPECT_EQ(readFile(cameraConfig()), newCameraConfig(false));
        EXPECT_FALSE(app->swapFlag());
        EXPECT_FALSE(app->autostartFlag());
        EXPECT_FALSE(QFile::exists(autostartFile()));
        EXPECT_EQ(readFile(cameraConfig() + ".bad"), bytes) << "the user's swap choice is kept";
    }
    EXPECT_EQ(autovellCalls(), QStringList({"open " + programPath() + " -Start", "close"}))
        << "the second time nothing was registered, so Autovell was left alone";
}

TEST_F(StartupTest, BrokenSettingsFilesAreKeptAsideAndMadeAnew) {
    const QByteArray broken[] = {"", "<CameraConfig><IsChange>true</IsChange>",
                                 QByteArray("\xff\xfe\x00<\x00\x00\x00", 7),
                                 QByteArray(3 * 1024 * 1024, '<')};
    for (const bool registered : {false, true}) {
        if (registered) app->EnableAutostart();
        for (const QByteArray& bytes : broken) {
            writeFile(cameraConfig(), bytes);
            start();
            // Autostart stays as the user left it: on only where the entry is there.
            EXPECT_EQ(readFile(cameraConfig()), newCameraConfig(registered));
            EXPECT_EQ(app->autostartFlag(), registered);
            EXPECT_EQ(readFile(cameraConfig() + ".bad"), bytes);
            EXPECT_EQ(ui.dialogRuns > 0, true);
        }
    }
    EXPECT_EQ(autovellCalls(), QStringList({"open " + programPath() + " -Start"}));
}

TEST_F(StartupTest, ValuesCountAsOnOnlyWhenExactlyTrue) {
    writeFile(cameraConfig(),
              "<CameraConfig>\r\n  <IsChange>true</IsChange>\r\n"
              "  <IsAutoStart>True</IsAutoStart>\r\n</CameraConfig>\r\n");
    const QByteArray before = readFile(cameraConfig());
    start();
    EXPECT_TRUE(app->swapFlag());
    EXPECT_FALSE(app->autostartFlag());
    EXPECT_TRUE(autovellCalls().isEmpty()) << "nothing registered, nothing to remove";
    EXPECT_EQ(readFile(cameraConfig()), before) << "a complete file is not rewritten";

    writeFile(cameraConfig(),
              "<CameraConfig><IsChange> true </IsChange>"
              "<IsAutoStart>true</IsAutoStart></CameraConfig>");
    start();
    EXPECT_FALSE(app->swapFlag());
    EXPECT_TRUE(app->autostartFlag());
}

TEST_F(StartupTest, AForeignEntryIsReplaced) {
    writeFile(autostartFile(),
              "[Desktop Entry]\nType=Application\nExec=/elsewhere/Ostrely -Start\n");
    writeFile(cameraConfig(), newCameraConfig(true));
    makeApp();
    EXPECT_FALSE(app->IsAutostartRegistered());
    start();
    EXPECT_EQ(autovellCalls().size(), 1);
    EXPECT_TRUE(app->IsAutostartRegistered());
    EXPECT_TRUE(app->autostartFlag());
}

TEST_F(StartupTest, FailedRegistrationLeavesAutostartOff) {
    QFile::remove(root.file("program/Autovell"));
    start();
    EXPECT_FALSE(app->autostartFlag());
    EXPECT_EQ(readFile(cameraConfig()), newCameraConfig(true))
        << "the wish stays for the next start";
}

TEST_F(StartupTest, SettingWritersChangeOnlyTheirValue) {
    const QByteArray file =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<!-- kept -->\r\n"
        "<CameraConfig><IsChange>false</IsChange><IsAutoStart>false</IsAutoStart>"
        "</CameraConfig>\r\n";
    writeFile(cameraConfig(), file);
    makeApp();
    app->setSwapFlag(true);
    app->SaveSwapSetting();
    QByteArray expected = file;
    expected.replace("<IsChange>false", "<IsChange>true");
    EXPECT_EQ(readFile(cameraConfig()), expected);
    app->SaveAutostartSetting(true);
    expected.replace("<IsAutoStart>false", "<IsAutoStart>true");
    EXPECT_EQ(readFile(cameraConfig()), expected);

    QFile::remove(cameraConfig());
    app->SaveSwapSetting();
    EXPECT_FALSE(QFile::exists(cameraConfig())) << "no file, nothing written";
}

TEST_F(StartupTest, AutostartSwitchesThroughAutovell) {
    start();
    app->DisableAutostart();
    EXPECT_FALSE(app->autostartFlag());
    EXPECT_FALSE(QFile::exists(autostartFile()));
    EXPECT_TRUE(readFile(cameraConfig()).contains("<IsAutoStart>false</IsAutoStart>"));
    app->EnableAutostart();
    EXPECT_TRUE(app->autostartFlag());
    EXPECT_TRUE(readFile(cameraConfig()).contains("<IsAutoStart>true</IsAutoStart>"));
    EXPECT_EQ(autovellCalls().size(), 3);
}

TEST_F(StartupTest, BoxesCarryLocalisedButtons) {
    writeConfigLanguage("zh_CN");
    start();
    ui.boxes.clear();
    ui.answer = kIdOk;
    EXPECT_EQ(app->AskCalibrationChoice(), 1);
    ui.answer = kIdCancel;
    EXPECT_EQ(app->AskCalibrationChoice(), 2);
    ASSERT_EQ(ui.boxes.size(), 2u);
    EXPECT_EQ(ui.boxes[0].okText, "保存校准");
    EXPECT_EQ(ui.boxes[0].cancelText, "重新校准");
    EXPECT_EQ(ui.boxes[0].type, unsigned(kMbSystemModal | kMbOkCancel));
    EXPECT_EQ(ui.boxes[0].caption, "提示");

    app->ShowMessage("x", "y", kMbOkCancel);
    EXPECT_EQ(ui.boxes[2].okText, "确定");
    EXPECT_EQ(ui.boxes[2].cancelText, "取消");
}

TEST_F(StartupTest, WhiteboardInstallPath) {
    makeApp();
    const QString system = root.file("etc/KestraneBoard.conf");
    const QString shared = root.file("appdata/Kestrane/KestraneBoard.conf");
    app->setBoardRegistryFiles({system, shared});
    app->setBoardInstallPath("unchanged");
    app->ReadBoardInstallPath();
    EXPECT_EQ(app->boardInstallPath(), "unchanged");
    writeFile(shared, "InstallPath=/opt/board\n");
    app->ReadBoardInstallPath();
    EXPECT_EQ(app->boardInstallPath(), "/opt/board");
    writeFile(system, "Other=1\n");
    app->ReadBoardInstallPath();
    EXPECT_EQ(app->boardInstallPath(), "") << "the first file found decides; no value empties it";
    writeFile(system, "InstallPath=" + QByteArray(1100, 'a') + "\n");
    app->ReadBoardInstallPath();
    EXPECT_EQ(app->boardInstallPath(), "");
}

TEST_F(StartupTest, BoardRelayRunsFromTheInstallPathAndIsWaitedFor) {
    makeApp();
    app->setBoardInstallPath(root.file("board"));
    const QString relay = root.file("board/Pellgate.exe");
    writeFile(relay, "#!/bin/sh\nsleep 0.2\nprintf '%s|' \"$@\" > '" +
                         root.file("relay.out").toUtf8() + "'\n");
    QFile::setPermissions(relay, QFile::ReadOwner | QFile::ExeOwner);
    app->RunBoardRelay("-insert \"a b\"");
    EXPECT_EQ(readFile(root.file("relay.out")), "-insert|a b|");
}

// The relay is a fire-and-forget hand-off: whatever goes wrong, the log says what and why.
TEST_F(StartupTest, ABoardRelayThatFailsLeavesALineWithTheCause) {
    makeApp();
    testsupport::LogCapture log;
    app->setBoardInstallPath(root.file("board"));
    const QString relay = root.file("board/Pellgate.exe");
    app->RunBoardRelay("-insert x");
    EXPECT_EQ(
        log.matching("ostrely.board", {relay, "did not start", "No such file or directory"}).size(),
        1)
        << log.lines().join('\n').toStdString();

    writeFile(relay, "#!/bin/sh\nexit 3\n");
    QFile::setPermissions(relay, QFile::ReadOwner | QFile::ExeOwner);
    app->RunBoardRelay("-insert x");
    EXPECT_EQ(log.matching("ostrely.board", {relay, "exit code 3"}).size(), 1);

    writeFile(relay, "#!/bin/sh\nexec sleep 30\n");
    QFile::setPermissions(relay, QFile::ReadOwner | QFile::ExeOwner);
    app->setBoardRelayTimeoutMs(50);
    app->RunBoardRelay("-insert x");
    EXPECT_EQ(log.matching("ostrely.board", {relay, "no answer within 50 ms"}).size(), 1);

    writeFile(relay, "#!/bin/sh\nexit 0\n");
    app->setBoardRelayTimeoutMs(10000);
    app->RunBoardRelay("-insert x");
    EXPECT_EQ(log.lines().size(), 3) << log.lines().join('\n').toStdString();
}

TEST_F(StartupTest, AnUnusableSettingsFolderDoesNotStopTheProgram) {
    const QString blocked = root.file("blocked");
    writeFile(blocked, "a file where the folder should be");
    qputenv("OSTRELY_COMMON_APPDATA", blocked.toLocal8Bit());
    EXPECT_FALSE(start());
    EXPECT_EQ(ui.dialogRuns, 1);
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_EQ(readFile(blocked), "a file where the folder should be");
}
