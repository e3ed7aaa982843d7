#include "ShellFixture.h"

#include "camera/Camera.h"
#include "platform/MessageIds.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <sys/stat.h>

int BoxRecorder::messageBox(const QString& text, const QString&, unsigned, const QString&,
                            const QString&) {
    texts << text;
    if (answers.empty()) return 1;
    const int answer = answers.front();
    answers.erase(answers.begin());
    return answer;
}

void ShellTest::SetUp() {
    for (const char* dir : {"program", "appdata", "config", "run", "tmp"})
        QDir().mkpath(root.file(dir));
    ::chmod(QFile::encodeName(root.file("run")).constData(), 0700);
    qputenv("OSTRELY_COMMON_APPDATA", root.file("appdata").toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", root.file("config").toLocal8Bit());
    qputenv("XDG_RUNTIME_DIR", root.file("run").toLocal8Bit());
    qputenv("TMPDIR", root.file("tmp").toLocal8Bit());
    QFile::link(OSTRELY_BIN_DIR "/Qvlang", root.file("program/Qvlang"));
    QFile::link(OSTRELY_BIN_DIR "/Autovell", root.file("program/Autovell"));
}

void ShellTest::TearDown() {
    m_dialog.reset();
    m_app.reset();
    for (const char* name : {"OSTRELY_COMMON_APPDATA", "XDG_CONFIG_HOME", "XDG_RUNTIME_DIR",
                             "TMPDIR", "OSTRELY_CAMERA"})
        qunsetenv(name);
}

void ShellTest::start(const char* cameras, const QStringList& args) {
    qputenv("OSTRELY_CAMERA", cameras);
    m_app = std::make_unique<CQuilletApp>(ui);
    m_app->setExecutablePath(root.file("program/Ostrely"));
    QFile::remove(root.file("run/Ostrely.exe.lock"));
    m_app->InitInstance(args);
    m_app->placement() = placement;
    CQuilletDlg::Services services{platform::hid::HidBackend{}};
    if (otherBoards) {
        services.hid.transport = std::move(otherBoards);
        services.boardClock = otherBoardClock != nullptr ? otherBoardClock : &boardClock;
    } else {
        auto transport = std::make_unique<testsupport::FakeHidTransport>(boardClock);
        boards = transport.get();
        plugBoard(0);
        services.hid.transport = std::move(transport);
        services.boardClock = &boardClock;
    }
    services.clock = &clock;
    services.trayAvailable = true;
    m_dialog = std::make_unique<CQuilletDlg>(*m_app, std::move(services));
    m_dialog->OnInitDialog();
}

void ShellTest::settle() {
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::processEvents();
        m_app->camera().waitForCaptures();
    }
    QCoreApplication::processEvents();
}

void ShellTest::key(int type, int board) {
    m_dialog->shell().onKey(board, type);
    settle();
}

QString ShellTest::boardPath(int index) const {
    return QStringLiteral(
               "\\\\?\\HID#VID_0483&PID_5851&COL01#%1#{4d1e55b2-f16f-11cf-88cb-001111000030}")
        .arg(index);
}

void ShellTest::plugBoard(int index) {
    boards->plug(boardPath(index));
}
