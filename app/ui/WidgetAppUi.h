#pragma once
#include "app/AppUi.h"

class CQuilletDlg;

// The real screen: Qt message boxes and the main window.
class WidgetAppUi : public AppUi {
public:
    int messageBox(const QString& text, const QString& caption, unsigned type,
                   const QString& okText, const QString& cancelText) override;
    void runMainDialog(CQuilletApp& app) override;
    // The session ends: the main window closes everything in order.
    void endSession();

private:
    CQuilletDlg* m_dialog = nullptr;
    bool m_running = false;  // the window's start-up is over
    bool m_ending = false;
};
