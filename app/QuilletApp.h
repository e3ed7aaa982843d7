#pragma once
// The application object: start-up, settings, texts and the services every window uses.
#include "app/LanguagePack.h"
#include "camera/Camera.h"
#include "camera/CameraHost.h"

#include <QString>
#include <QStringList>

#include <sys/types.h>

class AppUi;
class QObject;

// Also what the camera controller reads of the application (flags, receiver, screen).
class CQuilletApp : public camera::CameraHost {
public:
    explicit CQuilletApp(AppUi& ui);
    ~CQuilletApp() override;
    CQuilletApp(const CQuilletApp&) = delete;
    CQuilletApp& operator=(const CQuilletApp&) = delete;

    // The one application object of the process.
    static CQuilletApp* instance();

    // The start-up routine: arguments as the process got them (program first). Runs the main
    // dialog when every check passes. Always false: no event loop is to run afterwards.
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

    // Where the whiteboard program's install path is looked up: the system-wide file first,
    // then the shared one. Each is an ini file with the key InstallPath.
    QStringList boardRegistryFiles;

    // Path of this program; the tests point it elsewhere.
    QString executablePath;

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
    QObject* m_mainDialog = nullptr;

    bool swapFlag() const override { return m_swapFlag; }
    bool dualScreen() const override { return m_dualScreenFlag; }
    // Until the main dialog keeps its own flag: the view is up while the dialog runs.
    bool viewShown() const override { return m_mainDialog != nullptr; }
    QObject* pictureReceiver() const override { return m_mainDialog; }
    QRect workArea() const override;

private:
    QString languageCodeFromConfig() const;
    bool startLanguage();
    void reconcileCameraConfig();
    void writeNewCameraConfig(bool autostartWanted);
    void saveSetting(const QString& element, bool on);
    int runAutovell(const QStringList& arguments);
    QString autostartValueData() const;

    AppUi& m_ui;
};
