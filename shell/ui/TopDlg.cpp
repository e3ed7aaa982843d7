#include "shell/ui/TopDlg.h"
#include "lang/TextIds.h"

#include "shell/ControlIds.h"
#include "shell/CornerButton.h"
#include "shell/ui/MoveDlg.h"
#include "art/ResourceIds.h"
#include "shell/ShellHost.h"
#include "platform/Message.h"
#include "platform/MessageIds.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QWindow>

TopDlg::TopDlg(ShellHost& host, PixmapSource pixmaps, QWidget* parent, platform::Clock& clock)
    : QWidget(parent), m_host(host) {
    Q_ASSERT(parent);
    setObjectName(QStringLiteral("TopDlg"));
    // See-through for the pointer: presses go to the video and the picture below.
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    setGeometry(localWorkArea());

    m_panel = new MoveDlg(host, pixmaps, *this, parent, clock);
    m_panel->hide();
    m_panelWanted = m_host.viewShown();

    m_calibration = new PicButton(pixmaps, parent);
    m_calibration->setObjectName(QStringLiteral("calibration"));
    m_calibration->setReceiver(this);
    m_calibration->setReportedId(ctl::kCalibration);
    m_calibration->setBitmaps(res::kCalibration, res::kCalibrationPressed);
    m_calibration->setLabel(m_host.text(text::kMenuCalibration));
    m_calibration->hide();
    PlaceCornerButton();

    m_backToVideo = new PicButton(pixmaps, parent);
    m_backToVideo->setObjectName(QStringLiteral("backToVideo"));
    m_backToVideo->setReceiver(this);
    m_backToVideo->setReportedId(ctl::kBackToVideo);
    m_backToVideo->setGeometry(overlay::backToVideoRect(m_host.viewRect(), localWorkArea()));
    m_backToVideo->setBitmaps(res::kBackToVideo, res::kBackToVideo);
    m_backToVideo->setLabel(m_host.text(text::kKeyLive));
    m_backToVideo->hide();

    watchMouse(true);
    BringToFront();
    syncControls();
}

TopDlg::~TopDlg() {
    watchMouse(false);
    delete m_panel.data();
    delete m_calibration.data();
    delete m_backToVideo.data();
}

void TopDlg::ShutDown() {
    watchMouse(false);
    delete m_panel.data();
}

QRect TopDlg::localWorkArea() const {
    return QRect(QPoint(0, 0), m_host.workArea().size());
}

void TopDlg::watchMouse(bool on) {
    if (on == m_watching) return;
    m_watching = on;
    if (on)
        qApp->installEventFilter(this);
    else
        qApp->removeEventFilter(this);
}

bool TopDlg::eventFilter(QObject* watched, QEvent* event) {
    // Messages from other threads pass here before their receiver: take them over first.
    if (platform::asMessage(event) != nullptr) return false;
    // Every pointer event reaches the window first, once, before any widget sees it.
    const auto type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonRelease &&
        type != QEvent::MouseMove)
        return false;
    if (!watched->isWindowType() || watched != window()->windowHandle()) return false;
    const auto* mouse = static_cast<QMouseEvent*>(event);
    const QPoint global = mouse->globalPosition().toPoint();
    if (type == QEvent::MouseMove)
        MouseMove(global, mouse->buttons());
    else if (mouse->button() == Qt::LeftButton && type == QEvent::MouseButtonPress)
        MouseDown(global);
    else if (mouse->button() == Qt::LeftButton)
        MouseUp(global);
    return false;
}

void TopDlg::MouseDown(const QPoint& globalPoint) {
    if (m_panel && m_panel->isVisible() &&
        m_panel->rect().contains(m_panel->mapFromGlobal(globalPoint)) &&
        m_panel->HitTest(globalPoint))
        return;
    if (!m_drawingMode) return;
    if (m_host.pictureShown() && m_backToVideo && m_backToVideo->isVisible() &&
        m_backToVideo->rect().contains(m_backToVideo->mapFromGlobal(globalPoint)))
        return;
    m_strokeStart = mapFromGlobal(globalPoint);
    m_strokeInProgress = true;
    m_canvas.beginStroke(m_strokeStart);
}

void TopDlg::MouseMove(const QPoint& globalPoint, Qt::MouseButtons buttons) {
    if (m_panel && m_panel->handlePressed()) {
        m_panel->DragTo(globalPoint);
        return;
    }
    if (!m_drawingMode || !m_strokeInProgress || !(buttons & Qt::LeftButton)) return;
    update(m_canvas.extendStroke(mapFromGlobal(globalPoint)));
}

void TopDlg::MouseUp(const QPoint&) {
    if (m_panel) m_panel->HandleReleased();
    if (m_drawingMode && m_strokeInProgress) update(m_canvas.endStroke());
    m_strokeInProgress = false;
}

void TopDlg::ClearStrokes() {
    m_canvas.clear();
    update();
}

void TopDlg::DrawingOff() {
    m_drawingMode = false;
    ClearStrokes();
}

void TopDlg::PlaceCornerButton() {
    if (!m_calibration) return;
    const camera::DisplayRect view = m_host.viewRect();
    m_calibration->setGeometry(overlay::placeCornerButton(view.x, view.y, localWorkArea()));
}

void TopDlg::FitWorkArea() {
    setGeometry(localWorkArea());
    PlaceCornerButton();
    if (m_backToVideo)
        m_backToVideo->setGeometry(overlay::backToVideoRect(m_host.viewRect(), localWorkArea()));
    BringToFront();
}

void TopDlg::BringToFront() {
    raise();
    for (QWidget* control :
         {static_cast<QWidget*>(m_panel.data()), static_cast<QWidget*>(m_calibration.data()),
          static_cast<QWidget*>(m_backToVideo.data())})
        if (control) control->raise();
}

void TopDlg::setVisible(bool visible) {
    QWidget::setVisible(visible);
    if (visible) BringToFront();
    syncControls();
}

void TopDlg::showPanel(bool show) {
    m_panelWanted = show;
    syncControls();
}

void TopDlg::showCalibrationButton(bool show) {
    m_calibrationWanted = show;
    syncControls();
}

void TopDlg::showBackToVideoButton(bool show) {
    m_backWanted = show;
    syncControls();
}

void TopDlg::syncControls() {
    const bool on = !isHidden();
    if (m_panel) m_panel->setVisible(on && m_panelWanted);
    if (m_calibration) m_calibration->setVisible(on && m_calibrationWanted);
    if (m_backToVideo) m_backToVideo->setVisible(on && m_backWanted);
}

bool TopDlg::event(QEvent* event) {
    if (const platform::Message* m = platform::asMessage(event, msg::kButtonClick)) {
        const int id = msg::controlIdOf(*m);
        if (id == ctl::kCalibration)
            m_host.runCommand(ctl::kCalibrationCommand);
        else if (id == ctl::kBackToVideo)
            m_host.ChangeToCapture();
        return true;
    }
    return QWidget::event(event);
}

void TopDlg::paintEvent(QPaintEvent*) {
    if (m_canvas.isBlank()) return;
    QPainter painter(this);
    painter.drawImage(QPoint(0, 0), m_canvas.image());
}

void TopDlg::resizeEvent(QResizeEvent* event) {
    m_canvas.resize(size(), devicePixelRatioF());
    QWidget::resizeEvent(event);
}

void TopDlg::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}
