#include "TrayPart.h"

#include "lang/TextIds.h"
#include "shell/ui/RestoreButton.h"
#include "shell/ui/TrayIcon.h"

#include <QTimer>
#include <QWidget>

namespace shell {

TrayPart::TrayPart(QWidget& window, Hooks hooks) : QObject(&window), m_window(window), m_hooks(std::move(hooks)) {}

TrayPart::~TrayPart() = default;

void TrayPart::add(int boards) {
    m_tray = std::make_unique<TrayIcon>(&m_window, m_hooks.text,
                                        m_hooks.icon ? m_hooks.icon : [](int) { return QIcon(); });
    // Filled as the state is when the tray opens it.
    m_trayMenu = new QMenu(&m_window);
    m_trayMenu->setObjectName("129");
    connect(m_trayMenu, &QMenu::aboutToShow, this,
            [this] { fill(m_trayMenu, m_hooks.menuState()); });
    fill(m_trayMenu, m_hooks.menuState());
    m_tray->setContextMenu(m_trayMenu);
    m_tray->AddTrayIcon(boards);
}

void TrayPart::reshow(int boards) {
    if (m_tray)
        m_tray->reshow();
    else
        add(boards);
}

void TrayPart::update(int state) {
    if (m_tray) m_tray->UpdateTrayIcon(state);
}

void TrayPart::remove() {
    if (m_tray) m_tray->remove();
}

void TrayPart::popUp(const tray::MenuState& state, QPoint at) {
    delete m_menu;
    m_menu = new QMenu(&m_window);
    m_menu->setObjectName("129");
    fill(m_menu, state);
    // The popup grabs the keyboard itself; activating the main window first would raise it over
    // the picture list under most window managers.
    m_menu->popup(at);
}

void TrayPart::fill(QMenu* menu, const tray::MenuState& state) {
    menu->clear();
    for (const tray::MenuEntry& e : tray::menuEntries(state)) {
        QAction* action = menu->addAction(m_hooks.text(e.textId));
        action->setData(e.command);
        action->setEnabled(e.enabled);
        action->setCheckable(e.checked);
        action->setChecked(e.checked);
        const int command = e.command;
        connect(action, &QAction::triggered, this, [this, command] { m_hooks.runCommand(command); });
    }
}

void TrayPart::startProbe(std::function<bool()> probe, std::function<void(bool)> changed, int ms) {
    m_probe = new QTimer(this);
    connect(m_probe, &QTimer::timeout, this,
            [probe = std::move(probe), changed = std::move(changed)] { changed(probe()); });
    m_probe->start(ms);
}

void TrayPart::showRestore(bool show, const QRect& area) {
    if (!show) {
        if (m_restore) m_restore->hide();
        return;
    }
    if (!m_restore)
        m_restore = std::make_unique<RestoreButton>(m_window.windowIcon(), m_hooks.text(text::kAppName),
                                                    m_hooks.restore);
    m_restore->place(area);
    m_restore->show();
    m_restore->raise();
}

void TrayPart::stop() {
    if (m_probe) m_probe->stop();
    if (m_restore) m_restore->hide();
}

void TrayPart::placeRestore(const QRect& area) {
    if (m_restore) m_restore->place(area);
}

}  // namespace shell
