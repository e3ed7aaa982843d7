#pragma once
// The application object: start-up, settings, texts and the services every window uses.
#include "app/LanguagePack.h"
#include "camera/Camera.h"
#include "camera/CameraHost.h"
#include "platform/WindowPlacement.h"

#include <QString>

#include <functional>
#include <QStringList>

#include <sys/types.h>

class AppUi;
class QObject;

// Also what the camera controller reads of the application (flags, receiver, screen).
class CQuilletApp : public camera::CameraHost {
public:
    // SetText keeps this many UTF-16 units of a text (its buffer of 128 holds the zero too).
    static constexpr int kTextUnits = 127;

    explicit CQuilletApp(AppUi& ui);
    ~CQuilletApp() override;
    CQuilletApp(const CQuilletApp&) = delete;
    CQuilletApp& operator=(const CQuilletApp&) = delete;

    // The one application object of the process.
    static CQuilletApp* instance();

    // The start-up routine: arguments as the process got them (program first). Runs the main
    // dialog in the application's event loop when every check passes, and returns when it has
    // ended. Always false: no event loop is to run afterwards.
    bool InitInstance(const QStringList& arguments);

    QString SetText(int id);
    bool LoadLanguage(const QString& code);
    int ShowMessage(const QString& text, const QString& caption, unsigned type);
    int AskCalibrationChoice();
    static pid_t FindProcessByName(const QString& name);
    void ReadBoardInstallPath();
    void RunBoardRelay(const QString& parameters);
    bool IsAutostartRegistered();
    void EnableAutostart();
    void DisableAutostart();
    void SaveSwapSetting();
    void SaveAutostartSetting(bool on);

    // Settings files, from the common application-data folder as it is now.
    static QString ConfigXmlPath();
    static QString QvCameraXmlPath();
    static QString CrashDumpPath();

    // Configuration the tests point elsewhere: where the whiteboard's install path is looked up
    // (the system-wide ini file first, then the shared one; key InstallPath) and this program's
    // path.
    void setBoardRegistryFiles(const QStringList& files) { m_boardRegistryFiles = files; }
    void setExecutablePath(const QString& path) { m_executablePath = path; }
    // How long RunBoardRelay waits for the relay before it ends it.
    void setBoardRelayTimeoutMs(int ms) { m_boardRelayTimeoutMs = ms; }
    const QString& executablePath() const { return m_executablePath; }

    // The camera controller of the run.
    CCamera& camera() { return m_camera; }
    const CCamera& camera() const { return m_camera; }

    // Start-up results.
    const QString& startArgument() const { return m_startArgument; }
    const QString& programFolder() const { return m_programFolder; }
    const QString& languageCode() const { return m_languageCode; }
    // Right-to-left packs lay the windows out mirrored.
    bool rightToLeft() const;

    // Settings flags of the run.
    bool swapFlag() const override { return m_swapFlag; }
    void setSwapFlag(bool on) { m_swapFlag = on; }
    bool autostartFlag() const { return m_autostartFlag; }
    bool dualScreen() const override { return m_dualScreenFlag; }
    void setDualScreen(bool on) { m_dualScreenFlag = on; }

    // The link to the whiteboard program.
    int boardLinkFlag() const { return m_boardLinkFlag; }
    void setBoardLinkFlag(int flag) { m_boardLinkFlag = flag; }
    const QString& boardInstallPath() const { return m_boardInstallPath; }
    void setBoardInstallPath(const QString& path) { m_boardInstallPath = path; }
    // Whether the whiteboard program runs (under either of its names).
    static bool WhiteboardRunning();

    // The main dialog registers itself for the lifetime of its window; its view-shown flag is what
    // the camera controller reads.
    void registerMainDialog(QObject* window, std::function<bool()> viewShown);
    void unregisterMainDialog(const QObject* window);
    QObject* mainDialog() const { return m_mainDialog; }

    bool viewShown() const override;
    QObject* pictureReceiver() const override { return m_mainDialog; }
    QRect workArea() const override;
    // How the main window is placed; the program sets it for its desktop before the window opens.
    platform::WindowPlacement& placement() { return m_placement; }

private:
    QString languageCodeFromConfig() const;
    // The codes of the packs beside the program.
    QStringList installedPacks() const;
    bool startLanguage();
    static QString settingsPath(const char* name);
    static void reportRefusedSettingsFolders();
    static bool keepUnusableCameraConfig(const QString& path, const char* why);
    void reconcileCameraConfig();
    void writeNewCameraConfig(bool autostartWanted);
    void saveSetting(const QString& element, bool on);
    int runAutovell(const QStringList& arguments);
    QString autostartValueData() const;

    AppUi& m_ui;
    QStringList m_boardRegistryFiles;
    QString m_executablePath;
    int m_boardRelayTimeoutMs;
    CCamera m_camera;
    bool m_swapFlag = false;
    bool m_autostartFlag = true;
    bool m_dualScreenFlag = false;
    QString m_startArgument;
    LanguagePack m_languagePack;
    QString m_boardInstallPath;
    int m_boardLinkFlag = 0;
    QString m_programFolder;
    QString m_languageCode;
    QString m_packName;  // the pack actually loaded
    QObject* m_mainDialog = nullptr;
    std::function<bool()> m_viewShown;
    platform::WindowPlacement m_placement;
};
