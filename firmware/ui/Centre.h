#pragma once
// Both firmware dialogs open in the middle of the screen.
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace firmware {

inline void centreOnScreen(QWidget& w) {
    const QScreen* screen = w.screen() != nullptr ? w.screen() : QGuiApplication::primaryScreen();
    if (screen == nullptr) return;
    const QRect frame = w.frameGeometry();
    w.move(w.pos() + screen->geometry().center() - frame.center());
}

}  // namespace firmware
