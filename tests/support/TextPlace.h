#pragma once
// Finds the texts a dialog draws away from where they belong: a label or text box whose painted
// text does not keep to its leading edge (the right edge right-to-left), or a centred one that
// is off centre.
#include <QStringList>

class QWidget;

namespace testsupport {

// One line per fault, naming the control (object name) and its text; empty when all sit right.
// Looks at the pixels drawn, so it finds what the style and the text's own direction make of an
// alignment, not what the alignment says.
QStringList misplacedTexts(QWidget& dialog);

}  // namespace testsupport
