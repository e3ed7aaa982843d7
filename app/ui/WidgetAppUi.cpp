#include "WidgetAppUi.h"

#include "art/Artwork.h"
#include "app/QuilletApp.h"
#include "shell/ui/QuilletDlg.h"
#include "art/ResourceIds.h"
#include "platform/Clock.h"
#include "platform/ExitGuard.h"
#include "platform/InstanceChannel.h"
#include "platform/Log.h"
#include "lang/TextIds.h"
#include "platform/FrontKeys.h"
#include "platform/RestoreTokenStore.h"
#include "platform/Termination.h"
#include "platform/ui/MessageBox.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QSystemTrayIcon>

int WidgetAppUi::messageBox(const QString& text, const QString& caption, unsigned type,
                            const QString& okText, const QString& cancelText) {
    // Once the session ends no question opens: nobody is left to answer it.
    if (m_ending) return platform::kIdCancel;
    return platform::showMessageBox(text, caption, type, okText, cancelText);
}

void WidgetAppUi::runMainDialog(CQuilletApp& app) {
    if (app.rightToLeft()) QApplication::setLayoutDirection(Qt::RightToLeft);
    CQuilletDlg::Services services{platform::hid::createHidBackend()};
    services.clock = &platform::SystemClock::instance();
    services.trayAvailable = QSystemTrayIcon::isSystemTrayAvailable();
    services.trayProbe = [] { return QSystemTrayIcon::isSystemTrayAvailable(); };
    services.ending = [this] { return m_ending; };
    services.icon = [](int id) { return art::icon(id); };
    const QScreen* screen = QGuiApplication::primaryScreen();
    const bool panels = screen != nullptr && screen->availableGeometry() != screen->geometry();
    app.placement() = platform::WindowPlacement(platform::WindowPlacement::fullScreenFor(
        QGuiApplication::platformName(), !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"), panels));
    qCInfo(platform::log::shell) << "window system" << QGuiApplication::platformName()
                                 << (app.placement().fullScreen() ? "full-screen" : "work area");
    CQuilletDlg* window = nullptr;
    platform::FrontKeys::Setup keySetup;
    keySetup.route = platform::FrontKeys::routeFor(QGuiApplication::platformName());
    keySetup.tokenPath = platform::RestoreTokenStore::defaultPath();
    platform::FrontKeys keys(keySetup, [&window] {
        if (window != nullptr) window->showNotice(text::kKeysUnreachable);
    });
    services.sendKey = [&keys](int keyType) {
        using Key = platform::KeySender::Key;
        static constexpr Key kKeys[] = {Key::PageDown, Key::PageUp, Key::KeypadMinus,
                                        Key::KeypadPlus};
        if (keyType >= 2 && keyType <= 5) keys.send(kKeys[keyType - 2]);
    };
    CQuilletDlg dialog(app, std::move(services));
    m_dialog = &dialog;
    window = &dialog;
    // The window opens devices from here on: the end of the session closes them in order.
    platform::quitInOrderFromNow();
    // So does the end of the window system's connection, which Qt answers with exit().
    platform::ExitGuard guard([&dialog] { dialog.OnQueryEndSession(); });
    // A second start asks this one to show its view.
    platform::InstanceChannel channel;
    channel.listen(&dialog);
    const bool started = dialog.OnInitDialog();
    m_running = true;
    if (!started || m_ending) {
        // The session ended during start-up: close what opened, never run half-started.
        dialog.OnQueryEndSession();
        window = nullptr;
        m_dialog = nullptr;
        return;
    }
    // The desktop may ask the teacher to allow the keys: better now than at the first page turn.
    keys.prepare();
    // The window hides to the tray and comes back: only the exit command or the end of the
    // session ends the loop.
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::exec();
    window = nullptr;
    m_dialog = nullptr;
}

void WidgetAppUi::endSession() {
    m_ending = true;
    if (m_dialog != nullptr && m_running)
        m_dialog->OnQueryEndSession();
    else
        QApplication::exit(0);  // closes a question start-up is waiting on
}
