#include "StartupFixture.h"

#include <sys/stat.h>

namespace {

void setEnv(const char* name, const QString& value) {
    qputenv(name, value.toLocal8Bit());
}

}  // namespace

void StartupTest::SetUp() {
    for (const char* dir : {"program", "appdata", "config", "run", "tmp"})
        QDir().mkpath(root.file(dir));
    ::chmod(QFile::encodeName(root.file("run")).constData(), 0700);
    setEnv("OSTRELY_COMMON_APPDATA", root.file("appdata"));
    setEnv("XDG_CONFIG_HOME", root.file("config"));
    setEnv("XDG_RUNTIME_DIR", root.file("run"));
    setEnv("TMPDIR", root.file("tmp"));
    qputenv("OSTRELY_CAMERA", "sim");
    // The desktop's language would choose the pack where Config.xml names none.
    for (const char* name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"}) qunsetenv(name);

    // The program folder: Ostrely itself (anything executable), the packs, and an Autovell that
    // logs each call before running the real one.
    QFile::copy("/bin/true", programPath());
    QFile::link(OSTRELY_BIN_DIR "/Qvlang", root.file("program/Qvlang"));
    const QString autovell = root.file("program/Autovell");
    writeFile(autovell, "#!/bin/sh\necho \"$*\" >> '" + root.file("autovell.log").toUtf8() +
                            "'\nexec '" OSTRELY_BIN_DIR "/Autovell' \"$@\"\n");
    QFile::setPermissions(autovell, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

void StartupTest::TearDown() {
    app.reset();
    for (const char* name : {"OSTRELY_COMMON_APPDATA", "XDG_CONFIG_HOME", "XDG_RUNTIME_DIR",
                             "TMPDIR", "OSTRELY_CAMERA"})
        qunsetenv(name);
}

CQuilletApp& StartupTest::makeApp() {
    app.reset();
    app = std::make_unique<CQuilletApp>(ui);
    app->setExecutablePath(programPath());
    return *app;
}

bool StartupTest::start(const QStringList& args) {
    makeApp();
    // Each start is a new process: a lock left by the previous one is gone.
    QFile::remove(root.file("run/Ostrely.exe.lock"));
    return app->InitInstance(args);
}

void StartupTest::writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    f.write(bytes);
}

QByteArray StartupTest::readFile(const QString& path) const {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void StartupTest::writeConfigLanguage(const QString& code) {
    writeFile(root.file("appdata/Haxo/Config.xml"),
              "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<Config>\r\n  <Theme>dark</Theme>\r\n"
              "  <Language>" +
                  code.toUtf8() + "</Language>\r\n</Config>\r\n");
}

QStringList StartupTest::autovellCalls() const {
    return QString::fromUtf8(readFile(root.file("autovell.log"))).split('\n', Qt::SkipEmptyParts);
}
