#include "WidgetAppUi.h"

#include "app/QuilletApp.h"
#include "platform/ui/MessageBox.h"

#include <QDialog>
#include <QLabel>
#include <QVBoxLayout>

int WidgetAppUi::messageBox(const QString& text, const QString& caption, unsigned type,
                            const QString& okText, const QString& cancelText) {
    return platform::showMessageBox(text, caption, type, okText, cancelText);
}

void WidgetAppUi::runMainDialog(CQuilletApp& app) {
    // Placeholder until the main window exists: says so, and that start-up got this far.
    QDialog dialog;
    dialog.setWindowTitle("Ostrely");
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(
        new QLabel(QStringLiteral("Ostrely started (%1 camera(s), language %2).\n"
                                  "The main window is not built yet; close this window to quit.")
                       .arg(app.m_camera.CameraCount())
                       .arg(app.m_languageCode)));
    app.m_mainDialog = &dialog;
    dialog.resize(480, 120);
    dialog.exec();
}
