#pragma once
// The main window's ways back: the tray icon with its menu (the tray's own and the one that pops
// up at a point), the probe that notices a tray coming or going, and the restore button of a
// desktop without one. The rules that decide when each shows are the shell controller's.
#include "shell/TrayMenuModel.h"

#include <QIcon>
#include <QMenu>
#include <QObject>
#include <QPointer>
#include <QRect>

#include <functional>
#include <memory>

class RestoreButton;
class TrayIcon;
class QTimer;
class QWidget;

namespace shell {

class TrayPart : public QObject {
public:
    struct Hooks {
        std::function<QString(int)> text;
        std::function<QIcon(int)> icon;  // resources by id
        std::function<tray::MenuState()> menuState;
        std::function<void(int)> runCommand;
        std::function<void()> restore;  // the restore button was clicked
    };
    TrayPart(QWidget& window, Hooks hooks);
    ~TrayPart() override;

    // The icon in the tray, with the number of boards for its tooltip.
    void add(int boards);
    // The icon shown again after its tray came back (added where it never was).
    void reshow(int boards);
    void update(int state);
    void remove();
    // The menu at a screen point, as the tray's click or the panel's handle opens it.
    void popUp(const tray::MenuState& state, QPoint at);
    // Asks probe() every interval; a changed answer goes to changed(present).
    void startProbe(std::function<bool()> probe, std::function<void(bool)> changed, int ms);
    void showRestore(bool show, const QRect& area);
    void placeRestore(const QRect& area);
    // The window is going: no more probes, no restore button.
    void stop();

    TrayIcon* icon() const { return m_tray.get(); }
    QMenu* lastMenu() const { return m_menu; }
    QMenu* trayMenu() const { return m_trayMenu; }
    RestoreButton* restoreButton() const { return m_restore.get(); }

private:
    void fill(QMenu* menu, const tray::MenuState& state);

    QWidget& m_window;
    Hooks m_hooks;
    std::unique_ptr<TrayIcon> m_tray;
    QPointer<QMenu> m_menu;
    QMenu* m_trayMenu = nullptr;
    std::unique_ptr<RestoreButton> m_restore;
    QTimer* m_probe = nullptr;
};

}  // namespace shell
