#include "shell/ui/PicButton.h"

#include "platform/Message.h"
#include "shell/ui/PicButtonAccessible.h"
#include "platform/MessageIds.h"

#include <QMouseEvent>
#include <QResizeEvent>

PicButton::PicButton(PixmapSource source, QWidget* parent)
    : QLabel(parent), m_source(std::move(source)) {
    setAlignment(Qt::AlignCenter);
    setMouseTracking(false);
    PicButtonAccessible::install();
}

void PicButton::setLabel(const QString& label) {
    setAccessibleName(label);
    setToolTip(label);
}

void PicButton::setBitmaps(int normalId, int pressedId) {
    m_normalId = normalId;
    m_pressedId = pressedId;
    loadBitmaps(testAttribute(Qt::WA_Resized) ? size() : QSize());
    ShowNormal();
}

void PicButton::loadBitmaps(const QSize& logical) {
    if (!m_source) return;
    const qreal ratio = devicePixelRatioF();
    const QSize pixels = logical.isEmpty() ? QSize() : (QSizeF(logical) * ratio).toSize();
    m_normal = m_source(m_normalId, pixels);
    m_pressedPixmap = m_source(m_pressedId, pixels);
    if (!pixels.isEmpty()) {
        m_normal.setDevicePixelRatio(ratio);
        m_pressedPixmap.setDevicePixelRatio(ratio);
    }
}

void PicButton::showBitmap(bool pressedBitmap) {
    m_showingPressed = pressedBitmap;
    setPixmap(pressedBitmap ? m_pressedPixmap : m_normal);
}

void PicButton::ShowNormal() {
    showBitmap(false);
    m_pressed = false;
}

void PicButton::ShowPressedBitmap() {
    showBitmap(true);
}

void PicButton::report() {
    QObject* receiver = m_receiver ? m_receiver.data() : parent();
    if (receiver) platform::sendMessage(receiver, msg::kButtonClick, m_reportedId, 0);
}

void PicButton::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        showBitmap(true);
        m_pressed = true;
        if (m_reportOnPress)
            report();
        else
            m_tracking = true;
    }
    QLabel::mousePressEvent(event);
}

void PicButton::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && !m_reportOnPress) {
        const bool wasTracking = m_tracking;
        showBitmap(false);
        m_pressed = false;
        m_tracking = false;
        if (wasTracking) report();
    }
    QLabel::mouseReleaseEvent(event);
}

void PicButton::mouseMoveEvent(QMouseEvent* event) {
    // The pointer stays grabbed while the button is held, so leaving shows only here.
    if (m_tracking && !rect().contains(event->position().toPoint())) pointerLeft();
    QLabel::mouseMoveEvent(event);
}

void PicButton::leaveEvent(QEvent* event) {
    pointerLeft();
    QLabel::leaveEvent(event);
}

// Only a press in progress is undone: a selection mark shown after the release stays.
void PicButton::pointerLeft() {
    if (!m_tracking) return;
    m_tracking = false;
    ShowNormal();
}

void PicButton::resizeEvent(QResizeEvent* event) {
    loadBitmaps(event->size());
    showBitmap(m_pressed);
    QLabel::resizeEvent(event);
}
