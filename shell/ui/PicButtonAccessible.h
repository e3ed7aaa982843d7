#pragma once
// A picture button is a button to a screen reader, named by its label, and can be pressed
// through the accessibility bus.
#include <QAccessibleWidget>

class PicButton;

class PicButtonAccessible : public QAccessibleWidget {
public:
    explicit PicButtonAccessible(PicButton* button);

    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;
    QAccessible::State state() const override;

    // Makes Qt use this interface for every picture button; safe to call more than once.
    static void install();
};
