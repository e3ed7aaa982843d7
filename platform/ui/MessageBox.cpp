#include "MessageBox.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QPushButton>

namespace platform {

namespace {

QMessageBox::Icon iconOf(unsigned type) {
    switch (type & 0xF0) {
        case kMbIconError: return QMessageBox::Critical;
        case kMbIconWarning: return QMessageBox::Warning;
        case kMbIconInformation: return QMessageBox::Information;
        default: return QMessageBox::NoIcon;
    }
}

}  // namespace

int showMessageBox(const QString& text, const QString& caption, unsigned type,
                   const QString& okText, const QString& cancelText) {
    QMessageBox box(iconOf(type), caption, text);
    const bool withCancel = (type & 0xF) == kMbOkCancel;
    QAbstractButton* ok = box.addButton(QMessageBox::Ok);
    QAbstractButton* cancel = withCancel ? box.addButton(QMessageBox::Cancel) : nullptr;
    if (!okText.isEmpty()) ok->setText(okText);
    if (cancel != nullptr && !cancelText.isEmpty()) cancel->setText(cancelText);
    box.setEscapeButton(cancel != nullptr ? cancel : ok);
    if (type & kMbSystemModal) box.setWindowFlag(Qt::WindowStaysOnTopHint);
    box.exec();
    return box.clickedButton() == ok ? kIdOk : (cancel != nullptr ? kIdCancel : kIdOk);
}

}  // namespace platform
