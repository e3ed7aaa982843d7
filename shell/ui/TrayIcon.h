#pragma once
// The notification-area icon of the main dialog: icon, tooltip and balloons, and the mouse
// messages it turns into tray callback messages for its receiver.
#include <QIcon>
#include <QObject>
#include <QString>

#include <functional>

class QMenu;
class QSystemTrayIcon;

class TrayIcon : public QObject {
public:
    // receiver gets msg::kTrayCallback; texts and icons come by id.
    TrayIcon(QObject* receiver, std::function<QString(int)> text, std::function<QIcon(int)> icon);
    ~TrayIcon() override;

    // Adds the icon with the board count shown in its tooltip.
    void AddTrayIcon(int boardCount);
    // State 1: a board is connected; 2: the last one left. With a balloon.
    void UpdateTrayIcon(int state);
    void remove();
    // A notice for the teacher as a balloon; false where no tray is there to show one.
    bool notice(const QString& text);
    // The menu the tray opens itself on a right click: a StatusNotifier host shows it, on an
    // XEmbed tray Qt pops it up. Right clicks are then not reported.
    void setContextMenu(QMenu* menu);
    // A tray that appeared after the icon was first shown takes it only on a new show.
    void reshow();

    bool added() const;
    QString toolTip() const;
    int iconId() const { return m_iconId; }
    // The last balloon shown (for the record; empty when none).
    QString lastBalloon() const { return m_lastBalloon; }
    QString lastBalloonTitle() const { return m_lastBalloonTitle; }
    int balloonCount() const { return m_balloons; }

    // The tooltip of AddTrayIcon, cut as the shell's record cuts it.
    static QString addTooltip(const std::function<QString(int)>& text, int boardCount);

    static constexpr int kTooltipUnits = 127;
    // Long enough to read from the board; the notification service may keep it longer.
    static constexpr int kBalloonMs = 5000;

private:
    void activated(int reason);

    QObject* m_receiver;
    std::function<QString(int)> m_text;
    std::function<QIcon(int)> m_icon;
    QSystemTrayIcon* m_tray = nullptr;
    QMenu* m_menu = nullptr;
    int m_iconId = 0;
    QString m_lastBalloon;
    QString m_lastBalloonTitle;
    int m_balloons = 0;
};
