#pragma once
// What the application object needs from the screen: message boxes and the main dialog.
// Tests put a recorder in its place.
#include <QString>

class CQuilletApp;

class AppUi {
public:
    virtual ~AppUi() = default;
    // A modal box without owner; okText/cancelText relabel the buttons (empty: keep). Returns
    // the button pressed (platform::kIdOk or kIdCancel).
    virtual int messageBox(const QString& text, const QString& caption, unsigned type,
                           const QString& okText, const QString& cancelText) = 0;
    // Runs the main dialog modally; returns when it has ended.
    virtual void runMainDialog(CQuilletApp& app) = 0;
};
