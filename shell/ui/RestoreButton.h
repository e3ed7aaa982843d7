#pragma once
// A small button above every other window, in the corner of the work area, that brings the
// hidden view back: the way back on a desktop without a tray.
#include <QIcon>
#include <QWidget>

#include <functional>

class RestoreButton : public QWidget {
public:
    RestoreButton(QIcon icon, QString tip, std::function<void()> clicked);

    // Into the bottom right corner of the work area (global coordinates).
    void place(const QRect& workArea);

    static constexpr int kSide = 48;
    static constexpr int kMargin = 8;

protected:
    void paintEvent(QPaintEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    QIcon m_icon;
    std::function<void()> m_clicked;
};
