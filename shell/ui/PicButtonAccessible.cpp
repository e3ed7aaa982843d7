#include "shell/ui/PicButtonAccessible.h"

#include "shell/ui/PicButton.h"

namespace {

QAccessibleInterface* forPicButton(const QString& className, QObject* object) {
    if (className != QLatin1String("PicButton") || !object->isWidgetType()) return nullptr;
    return new PicButtonAccessible(static_cast<PicButton*>(object));
}

}  // namespace

PicButtonAccessible::PicButtonAccessible(PicButton* button)
    : QAccessibleWidget(button, QAccessible::Button) {}

QStringList PicButtonAccessible::actionNames() const {
    return {pressAction()};
}

void PicButtonAccessible::doAction(const QString& actionName) {
    if (actionName == pressAction()) static_cast<PicButton*>(widget())->click();
}

QAccessible::State PicButtonAccessible::state() const {
    QAccessible::State s = QAccessibleWidget::state();
    s.pressed = static_cast<PicButton*>(widget())->showsPressedBitmap();
    return s;
}

void PicButtonAccessible::install() {
    static const bool installed = [] {
        QAccessible::installFactory(&forPicButton);
        return true;
    }();
    (void)installed;
}
