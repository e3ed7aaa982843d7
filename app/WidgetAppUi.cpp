#include "WidgetAppUi.h"

#include "app/QuilletApp.h"
#include "app/QuilletDlg.h"
#include "platform/Clock.h"
#include "platform/ui/MessageBox.h"

#include <QApplication>
#include <QSystemTrayIcon>

int WidgetAppUi::messageBox(const QString& text, const QString& caption, unsigned type,
                            const QString& okText, const QString& cancelText) {
    return platform::showMessageBox(text, caption, type, okText, cancelText);
}

void WidgetAppUi::runMainDialog(CQuilletApp& app) {
    if (app.rightToLeft()) QApplication::setLayoutDirection(Qt::RightToLeft);
    CQuilletDlg::Services services{platform::hid::createHidBackend()};
    services.clock = &platform::SystemClock::instance();
    services.trayAvailable = QSystemTrayIcon::isSystemTrayAvailable();
    CQuilletDlg dialog(app, std::move(services));
    m_dialog = &dialog;
    dialog.OnInitDialog();
    // The window hides to the tray and comes back: only the exit command or the end of the
    // session ends the loop.
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::exec();
    m_dialog = nullptr;
}

void WidgetAppUi::endSession() {
    if (m_dialog != nullptr)
        m_dialog->OnQueryEndSession();
    else
        QApplication::exit(0);
}
