#include "app/QuilletApp.h"
#include "app/WidgetAppUi.h"
#include "platform/Termination.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication qtApp(argc, argv);
    qtApp.setApplicationName("Ostrely");
    WidgetAppUi ui;
    // The end of the session closes the windows and devices in order.
    platform::quitOnTermination([&ui] { ui.endSession(); });
    CQuilletApp app(ui);
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    app.InitInstance(arguments);
    return 0;
}
