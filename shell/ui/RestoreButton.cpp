#include "RestoreButton.h"

#include <QMouseEvent>
#include <QPainter>

RestoreButton::RestoreButton(QIcon icon, QString tip, std::function<void()> clicked)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::Tool |
                           Qt::WindowDoesNotAcceptFocus),
      m_icon(std::move(icon)),
      m_clicked(std::move(clicked)) {
    setObjectName(QStringLiteral("restore"));
    setWindowTitle(tip);
    setToolTip(tip);
    setFixedSize(kSide, kSide);
    setCursor(Qt::PointingHandCursor);
}

void RestoreButton::place(const QRect& workArea) {
    move(workArea.right() + 1 - kSide - kMargin, workArea.bottom() + 1 - kSide - kMargin);
}

void RestoreButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), QColor(32, 32, 32));
    p.setPen(QColor(200, 200, 200));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
    if (!m_icon.isNull()) m_icon.paint(&p, rect().adjusted(6, 6, -6, -6));
}

void RestoreButton::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton && rect().contains(e->position().toPoint())) m_clicked();
}
