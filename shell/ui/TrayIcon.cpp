#include "TrayIcon.h"

#include "art/ResourceIds.h"
#include "lang/TextIds.h"
#include "platform/MessageIds.h"

#include <QMenu>
#include <QSystemTrayIcon>

namespace {

constexpr int kRecordId = res::kProgramIcon;
constexpr int kIconConnected = res::kTrayConnected;
constexpr int kIconDisconnected = res::kTrayDisconnected;

}  // namespace

TrayIcon::TrayIcon(QObject* receiver, std::function<QString(int)> text,
                   std::function<QIcon(int)> icon)
    : m_receiver(receiver), m_text(std::move(text)), m_icon(std::move(icon)) {}

TrayIcon::~TrayIcon() {
    remove();
}

QString TrayIcon::addTooltip(const std::function<QString(int)>& text, int boardCount) {
    QString tip = text(text::kTrayDevice) + '\n' + text(text::kTrayStatus);
    if (boardCount == 0)
        tip += text(text::kTrayNotConnected);
    else
        tip = QStringLiteral("%1%2(%3)").arg(tip, text(text::kTrayConnected)).arg(boardCount);
    return tip.left(kTooltipUnits);
}

void TrayIcon::AddTrayIcon(int boardCount) {
    if (m_tray == nullptr) {
        m_tray = new QSystemTrayIcon(this);
        connect(m_tray, &QSystemTrayIcon::activated, this,
                [this](QSystemTrayIcon::ActivationReason r) { activated(r); });
    }
    m_iconId = boardCount == 0 ? kIconDisconnected : kIconConnected;
    m_tray->setIcon(m_icon(m_iconId));
    m_tray->setToolTip(addTooltip(m_text, boardCount));
    if (m_menu != nullptr) m_tray->setContextMenu(m_menu);
    m_tray->show();
}

void TrayIcon::setContextMenu(QMenu* menu) {
    m_menu = menu;
    if (m_tray != nullptr) m_tray->setContextMenu(menu);
}

void TrayIcon::reshow() {
    if (m_tray == nullptr) return;
    m_tray->hide();
    m_tray->show();
}

void TrayIcon::UpdateTrayIcon(int state) {
    if (m_tray == nullptr) return;
    m_iconId = state == 1 ? kIconConnected : kIconDisconnected;
    m_lastBalloon = m_text(state == 1 ? text::kBoardConnected : text::kBoardDisconnected);
    // Without a title a desktop's notification names no sender: the program's name says who.
    m_lastBalloonTitle = m_text(text::kAppName);
    ++m_balloons;
    m_tray->setIcon(m_icon(m_iconId));
    m_tray->setToolTip(m_text(text::kAppName).left(kTooltipUnits));
    if (QSystemTrayIcon::supportsMessages())
        m_tray->showMessage(m_lastBalloonTitle, m_lastBalloon, QSystemTrayIcon::NoIcon, kBalloonMs);
}

bool TrayIcon::notice(const QString& text) {
    if (m_tray == nullptr || !QSystemTrayIcon::isSystemTrayAvailable() ||
        !QSystemTrayIcon::supportsMessages())
        return false;
    m_lastBalloon = text;
    m_lastBalloonTitle = m_text(text::kAppName);
    ++m_balloons;
    m_tray->showMessage(m_lastBalloonTitle, m_lastBalloon, QSystemTrayIcon::Information, kBalloonMs);
    return true;
}

void TrayIcon::remove() {
    if (m_tray == nullptr) return;
    m_tray->hide();
    delete m_tray;
    m_tray = nullptr;
}

bool TrayIcon::added() const {
    return m_tray != nullptr;
}

QString TrayIcon::toolTip() const {
    return m_tray != nullptr ? m_tray->toolTip() : QString();
}

void TrayIcon::activated(int reason) {
    unsigned mouse = 0;
    switch (reason) {
        case QSystemTrayIcon::Trigger: mouse = msg::kLeftButtonDown; break;
        case QSystemTrayIcon::DoubleClick: mouse = msg::kLeftDoubleClick; break;
        case QSystemTrayIcon::Context:
            if (m_menu != nullptr) return;  // the tray opened it
            mouse = msg::kRightButtonUp;
            break;
        default: return;
    }
    platform::postMessage(m_receiver, msg::kTrayCallback, kRecordId, mouse);
}
