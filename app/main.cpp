#include "app/QuilletApp.h"
#include "app/WidgetAppUi.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication qtApp(argc, argv);
    qtApp.setApplicationName("Ostrely");
    WidgetAppUi ui;
    CQuilletApp app(ui);
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    app.InitInstance(arguments);
    return 0;
}
