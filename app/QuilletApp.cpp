#include "QuilletApp.h"

#include "app/DesktopLanguage.h"

#include "app/AppUi.h"
#include "markup/Markup.h"
#include "lang/TextIds.h"
#include "platform/AutostartEntry.h"
#include "platform/CommandLine.h"
#include "platform/CrashHandler.h"
#include "platform/Folders.h"
#include "platform/InstanceChannel.h"
#include "platform/Log.h"
#include "platform/MessageBoxTypes.h"
#include "platform/Process.h"
#include "platform/SingleInstance.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QRegularExpression>
#include <QScreen>
#include <QSettings>

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

using namespace platform;

namespace {

CQuilletApp* g_app = nullptr;

constexpr int kAutovellWaitMs = 120000;
// A relay that hangs must not freeze the program for good.
constexpr int kBoardRelayWaitMs = 60000;
constexpr int kRunValueBufferBytes = 260;
constexpr int kInstallPathBufferBytes = 1024;
constexpr const char* kAutostartName = "Ostrely";
constexpr const char* kStartSwitch = "-Start";

// Leading digits as atoi reads them.
long leadingNumber(const QString& s) {
    const QString t = s.trimmed();
    qsizetype i = (t.startsWith('+') || t.startsWith('-')) ? 1 : 0;
    const qsizetype digits = i;
    while (i < t.size() && t[i].isDigit() && i < 12) ++i;
    return i == digits ? 0 : t.left(i).toLong();
}

// A code names a file inside Qvlang/ only: no separators, no dots, nothing that leaves the folder.
bool isSafeLanguageCode(const QString& code) {
    static const QRegularExpression re(QStringLiteral("^[A-Za-z0-9_]{1,32}$"));
    return re.match(code).hasMatch();
}

}  // namespace

CQuilletApp::CQuilletApp(AppUi& ui)
    : m_ui(ui),
      m_executablePath(platform::executablePath()),
      m_boardRelayTimeoutMs(kBoardRelayWaitMs) {
    g_app = this;
    m_boardRegistryFiles = {QStringLiteral("/etc/xdg/Kestrane/KestraneBoard.conf"),
                            commonAppDataFolder() + "/Kestrane/KestraneBoard.conf"};
    m_camera.textSource = [this](int id) { return SetText(id); };
    m_camera.setHost(this);
}

CQuilletApp::~CQuilletApp() {
    if (g_app == this) g_app = nullptr;
}

CQuilletApp* CQuilletApp::instance() {
    return g_app;
}

void CQuilletApp::registerMainDialog(QObject* window, std::function<bool()> viewShown) {
    m_mainDialog = window;
    m_viewShown = std::move(viewShown);
}

void CQuilletApp::unregisterMainDialog(const QObject* window) {
    if (m_mainDialog != window) return;
    m_mainDialog = nullptr;
    m_viewShown = nullptr;
}

bool CQuilletApp::viewShown() const {
    return m_viewShown && m_viewShown();
}

bool CQuilletApp::rightToLeft() const {
    return m_packName == QLatin1String("ar");
}

bool CQuilletApp::WhiteboardRunning() {
    return FindProcessByName("HaxoBoard.exe") != 0 || FindProcessByName("KestraneBoard.exe") != 0;
}

QRect CQuilletApp::workArea() const {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) return QRect(0, 0, 1920, 1080);
    return m_placement.area(screen->availableGeometry(), screen->geometry());
}

// Empty when no settings folder can be trusted: nothing is read or written then.
QString CQuilletApp::settingsPath(const char* name) {
    const QString folder = commonAppDataFolder();
    return folder.isEmpty() ? QString() : folder + '/' + QLatin1String(name);
}
QString CQuilletApp::ConfigXmlPath() {
    return settingsPath("Haxo/Config.xml");
}
QString CQuilletApp::QvCameraXmlPath() {
    return settingsPath("QvCamera.xml");
}
QString CQuilletApp::CrashDumpPath() {
    return settingsPath("Kestrane/test.dmp");
}

void CQuilletApp::reportRefusedSettingsFolders() {
    const FolderChoice choice = chooseCommonAppDataFolder();
    using platform::log::failure;
    using platform::log::settings;
    for (const QString& refused : choice.refused)
        failure(settings(),
                QStringLiteral("settings folder %1 can be changed by other users; not used")
                    .arg(refused),
                0);
    if (!choice.refused.isEmpty() && choice.folder.isEmpty())
        failure(settings(),
                QStringLiteral("no settings folder can be trusted; settings are not kept"), 0);
    else if (!choice.refused.isEmpty())
        qCWarning(settings, "settings are kept in %s", qPrintable(choice.folder));
}

bool CQuilletApp::InitInstance(const QStringList& arguments) {
    m_startArgument = arguments.size() == 2 ? arguments[1] : QString();
    // Before anything is loaded: a fault in loading a pack leaves a report too.
    CrashHandler::install(CrashDumpPath());
    reportRefusedSettingsFolders();
    if (!startLanguage()) return false;

    const unsigned box = kMbSystemModal | kMbOk;
    if (SingleInstance::acquire("Ostrely.exe") == SingleInstance::Result::AlreadyHeld) {
        // The running one comes to the front; the box still says why this start ends.
        InstanceChannel::notifyRunning();
        ShowMessage(SetText(text::kAlreadyOpen), SetText(text::kCaption), box);
        return false;
    }
    if (!m_camera.Init()) {
        ShowMessage(SetText(text::kCameraInitError), SetText(text::kCaption), box);
        return false;
    }
    if (m_camera.CameraCount() == 0) {
        ShowMessage(SetText(text::kNoCamera), SetText(text::kCaption), box);
        return false;
    }
    reconcileCameraConfig();

    m_ui.runMainDialog(*this);
    m_camera.endRun();
    m_mainDialog = nullptr;
    m_viewShown = nullptr;
    return false;
}

QString CQuilletApp::languageCodeFromConfig() const {
    CXmlDocument doc;
    if (!doc.LoadFile(ConfigXmlPath()) || !doc.IsWellFormed()) return {};
    if (!doc.FindElement() || !doc.FindChildElement("Language")) return {};
    doc.IntoElement();
    return doc.GetElementText();
}

// Config.xml wins where it names a pack the program has; otherwise the desktop's language.
bool CQuilletApp::startLanguage() {
    m_languageCode = languageCodeFromConfig();
    const QStringList packs = installedPacks();
    if (!packs.contains(QString(m_languageCode).replace('-', '_'))) {
        if (const QString desktop = app::desktopPack(packs); !desktop.isEmpty())
            m_languageCode = desktop;
    }
    if (m_languageCode.isEmpty() || leadingNumber(m_languageCode) >= 1) m_languageCode = "en_US";
    m_languagePack.unload();
    if (LoadLanguage(m_languageCode)) return true;
    const unsigned box = kMbIconError | kMbSystemModal;
    m_ui.messageBox(m_languageCode, "Error", box, {}, {});
    m_ui.messageBox("Language file open error!", "Error", box, {}, {});
    return false;
}

QStringList CQuilletApp::installedPacks() const {
    QStringList packs;
    const QDir folder(folderOf(m_executablePath) + "/Qvlang");
    for (const QFileInfo& f : folder.entryInfoList({"*.so"}, QDir::Files))
        packs << f.completeBaseName();
    return packs;
}

bool CQuilletApp::LoadLanguage(const QString& code) {
    m_programFolder = folderOf(m_executablePath);
    QString name = code;
    name.replace('-', '_');
    QString path = m_programFolder + "/Qvlang/" + name + ".so";
    int error = 0;
    // A broken pack counts as a missing one: the default pack stands in for it.
    if (!isSafeLanguageCode(name) || !LanguagePack::isLoadable(path, error)) {
        if (error != ENOENT)
            platform::log::failure(platform::log::settings(), "language pack " + path + " unusable",
                                   error);
        path = m_programFolder + "/Qvlang/en_US.so";
    }
    if (m_languagePack.load(path, error)) {
        m_packName = QFileInfo(path).completeBaseName();
        return true;
    }
    m_ui.messageBox(QStringLiteral("%1:%2").arg(error).arg(path), "Error", kMbIconError, {}, {});
    return false;
}

QString CQuilletApp::SetText(int id) {
    return m_languagePack.text(id, kTextUnits);
}

int CQuilletApp::ShowMessage(const QString& text, const QString& caption, unsigned type) {
    return m_ui.messageBox(text, caption, type, SetText(text::kOk), SetText(text::kCancel));
}

int CQuilletApp::AskCalibrationChoice() {
    const int pressed = m_ui.messageBox(
        SetText(text::kCalibrationAdvice), SetText(text::kCaption), kMbSystemModal | kMbOkCancel,
        SetText(text::kSaveCalibration), SetText(text::kRecalibrate));
    return pressed == kIdOk ? 1 : 2;
}

pid_t CQuilletApp::FindProcessByName(const QString& name) {
    return findProcessByName(name);
}

void CQuilletApp::ReadBoardInstallPath() {
    for (const QString& file : m_boardRegistryFiles) {
        if (!QFileInfo(file).isFile()) continue;
        const QSettings settings(file, QSettings::IniFormat);
        if (settings.status() != QSettings::NoError) continue;
        const QString path = settings.value("InstallPath").toString();
        const bool fits = !path.isEmpty() && path.toUtf8().size() < kInstallPathBufferBytes;
        m_boardInstallPath = fits ? path : QString();
        return;
    }
}

void CQuilletApp::RunBoardRelay(const QString& parameters) {
    const QString program = m_boardInstallPath + "/Pellgate.exe";
    ChildProcess relay(program, splitCommandLine(parameters));
    using platform::log::board;
    using platform::log::failure;
    if (!relay.started()) {
        failure(board(), QStringLiteral("whiteboard relay %1 did not start").arg(program),
                relay.startError());
        return;
    }
    const int code = relay.waitForExit(m_boardRelayTimeoutMs);
    if (code == ChildProcess::kNoExitCode && !relay.ended()) {
        // Ended when given up, so that the next hand-off cannot overtake it.
        relay.kill();
        failure(board(), QStringLiteral("whiteboard relay %1 ended").arg(program),
                QStringLiteral("no answer within %1 ms").arg(m_boardRelayTimeoutMs));
    } else if (code != 0) {
        failure(board(), QStringLiteral("whiteboard relay %1 failed").arg(program),
                code == ChildProcess::kNoExitCode ? QStringLiteral("killed by a signal")
                                                  : QStringLiteral("exit code %1").arg(code));
    }
}

QString CQuilletApp::autostartValueData() const {
    return m_executablePath + ' ' + kStartSwitch;
}

bool CQuilletApp::IsAutostartRegistered() {
    const auto value = AutostartEntry(kAutostartName).read();
    if (!value) return false;
    // The stored text with its terminating zero must fit the reader's buffer.
    if ((value->size() + 1) * 2 > kRunValueBufferBytes) return false;
    return *value == autostartValueData();
}

int CQuilletApp::runAutovell(const QStringList& arguments) {
    ChildProcess autovell(folderOf(m_executablePath) + "/Autovell", arguments);
    return autovell.waitForExit(kAutovellWaitMs);
}

void CQuilletApp::EnableAutostart() {
    if (IsAutostartRegistered()) {
        m_autostartFlag = true;
        return;
    }
    // Exit code 1 counts only with the entry really in place: the check mark must not lie.
    m_autostartFlag = runAutovell({"open", autostartValueData()}) == 1 && IsAutostartRegistered();
    if (m_autostartFlag) SaveAutostartSetting(true);
}

void CQuilletApp::DisableAutostart() {
    if (!IsAutostartRegistered()) {
        m_autostartFlag = false;
        return;
    }
    // An entry that could not be removed still starts the program at log-on, whatever the exit
    // code said: the flag and the file follow the entry.
    const bool failed = runAutovell({"close"}) == 1;
    m_autostartFlag = failed || IsAutostartRegistered();
    if (!m_autostartFlag) SaveAutostartSetting(false);
}

void CQuilletApp::SaveSwapSetting() {
    saveSetting("IsChange", m_swapFlag);
}

void CQuilletApp::SaveAutostartSetting(bool on) {
    saveSetting("IsAutoStart", on);
}

void CQuilletApp::saveSetting(const QString& element, bool on) {
    CXmlDocument doc;
    const QString path = QvCameraXmlPath();
    if (!doc.LoadFile(path) || !doc.IsWellFormed()) return;
    if (!doc.FindElement() || !doc.IntoElement() || !doc.FindElement(element)) return;
    doc.SetElementText(on ? "true" : "false");
    doc.OutOfElement();
    doc.SaveFile(path);
}

void CQuilletApp::writeNewCameraConfig(bool autostartWanted) {
    CXmlDocument doc;
    doc.ReplaceDocument("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n");
    doc.AddElement("CameraConfig");
    doc.IntoElement();
    doc.AddElement("IsChange", "false");
    doc.AddElement("IsAutoStart", autostartWanted ? "true" : "false");
    if (autostartWanted)
        EnableAutostart();
    else
        DisableAutostart();
    doc.OutOfElement();
    QDir().mkpath(commonAppDataFolder());
    doc.SaveFile(QvCameraXmlPath());
    m_swapFlag = false;
}

// The user's choices in a file that cannot be used are not thrown away: the file is kept beside
// the new one. False when there was no file.
bool CQuilletApp::keepUnusableCameraConfig(const QString& path, const char* why) {
    const QByteArray native = QFile::encodeName(path);
    struct stat st {};
    if (path.isEmpty() || ::lstat(native.constData(), &st) != 0) return false;
    const QByteArray kept = native + ".bad";
    // rename moves a link or a FIFO itself, never what it points at.
    const QString what = QStringLiteral("%1 %2").arg(path, QLatin1String(why));
    if (::rename(native.constData(), kept.constData()) == 0)
        platform::log::failure(
            platform::log::settings(),
            what + QStringLiteral("; kept as %1 and made anew").arg(QFile::decodeName(kept)), 0);
    else
        platform::log::failure(platform::log::settings(), what + " and could not be kept aside",
                               errno);
    return true;
}

void CQuilletApp::reconcileCameraConfig() {
    const QString path = QvCameraXmlPath();
    CXmlDocument doc;
    if (!doc.LoadFile(path) || !doc.IsWellFormed()) {
        // A first start turns autostart on; a damaged file keeps whatever the entry says.
        const bool existed = keepUnusableCameraConfig(path, "could not be read");
        writeNewCameraConfig(!existed || IsAutostartRegistered());
        return;
    }
    bool complete = doc.FindElement() && doc.IntoElement() && doc.FindElement("IsChange");
    const QString isChange = complete ? doc.GetElementText() : QString();
    complete = complete && doc.FindElement("IsAutoStart");
    if (!complete) {
        keepUnusableCameraConfig(path, "lacks a setting");
        QFile::remove(path);
        writeNewCameraConfig(false);
        return;
    }
    const QString isAutoStart = doc.GetElementText();
    m_swapFlag = isChange == "true";
    if (isAutoStart == "true")
        EnableAutostart();
    else
        DisableAutostart();
}
