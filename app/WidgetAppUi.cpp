#include "WidgetAppUi.h"

#include "app/QuilletApp.h"
#include "app/StandInDialog.h"
#include "platform/ui/MessageBox.h"

int WidgetAppUi::messageBox(const QString& text, const QString& caption, unsigned type,
                            const QString& okText, const QString& cancelText) {
    return platform::showMessageBox(text, caption, type, okText, cancelText);
}

void WidgetAppUi::runMainDialog(CQuilletApp& app) {
    StandInDialog dialog(app);
    dialog.exec();
}
