#include "app/CommandLineInfo.h"
#include "app/QuilletApp.h"
#include "app/ui/WidgetAppUi.h"
#include "platform/DisplayPlatform.h"
#include "platform/Log.h"
#include "platform/Termination.h"

#include <QApplication>

#include <iostream>

int main(int argc, char** argv) {
    if (const auto code = CommandLineInfo::answer(argc, argv, std::cout)) return *code;
    platform::log::applyEnvironment();
    // XWayland where it exists; a missing plugin falls back or ends with a message, never aborts.
    platform::applyDisplayPolicy();
    QApplication qtApp(argc, argv);
    qInstallMessageHandler(nullptr);  // a plugin was loaded: Qt's own output from here
    qtApp.setApplicationName("Ostrely");
    qtApp.setDesktopFileName(OSTRELY_APP_ID);  // the launcher's icon and name on Wayland
    WidgetAppUi ui;
    // The end of the session closes the windows and devices in order.
    platform::quitOnTermination([&ui] { ui.endSession(); });
    CQuilletApp app(ui);
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    app.InitInstance(arguments);
    return 0;
}
