#pragma once
// Finds the texts a dialog would not show whole: a label, button, check box or group box narrower
// than its text, or one that reaches past the edge of the window holding it.
#include <QStringList>

class QWidget;

namespace testsupport {

// One line per fault, naming the control (object name) and its text; empty when all fit.
QStringList cutTexts(const QWidget& dialog);

}  // namespace testsupport

namespace testsupport {

// Where OSTRELY_SHOTS names a folder, the window as drawn, to look at: <folder>/<name>.png.
void saveShot(QWidget& window, const QString& name);

}  // namespace testsupport
