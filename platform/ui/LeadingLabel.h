#pragma once
// A label that keeps to its window's leading edge: the left left-to-right, the right
// right-to-left. A plain label goes by its own text's direction instead, so a number or a key's
// name in a right-to-left window would stand at the left of its place.
#include <QLabel>

namespace platform {

class LeadingLabel : public QLabel {
public:
    explicit LeadingLabel(QWidget* parent = nullptr);
    LeadingLabel(const QString& text, QWidget* parent = nullptr);

protected:
    void changeEvent(QEvent* event) override;

private:
    void followDirection();
};

}  // namespace platform
