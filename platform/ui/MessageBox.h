#pragma once
#include "platform/MessageBoxTypes.h"

#include <QString>

namespace platform {

// Shows a modal box without owner. okText/cancelText relabel the buttons before the box opens;
// an empty text keeps the button's own label. Returns kIdOk or kIdCancel (closing counts as
// Cancel, or as OK for a box with OK only).
int showMessageBox(const QString& text, const QString& caption, unsigned type,
                   const QString& okText = {}, const QString& cancelText = {});

}  // namespace platform
