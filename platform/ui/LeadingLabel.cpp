#include "LeadingLabel.h"

#include <QEvent>

namespace platform {

LeadingLabel::LeadingLabel(QWidget* parent) : QLabel(parent) {
    followDirection();
}

LeadingLabel::LeadingLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {
    followDirection();
}

void LeadingLabel::changeEvent(QEvent* event) {
    QLabel::changeEvent(event);
    if (event->type() == QEvent::LayoutDirectionChange) followDirection();
}

void LeadingLabel::followDirection() {
    const Qt::Alignment vertical = alignment() & Qt::AlignVertical_Mask;
    setAlignment(vertical | Qt::AlignAbsolute | (isRightToLeft() ? Qt::AlignRight : Qt::AlignLeft));
}

}  // namespace platform
