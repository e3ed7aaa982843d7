#include "QRCodeView.h"

#include "cloud/QrBitmap.h"
#include "cloud/QrLayout.h"

#include <QComboBox>
#include <QEvent>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QProgressBar>
#include <QScreen>

#include <algorithm>
#include <climits>

namespace cloud {

QRCodeView::QRCodeView(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint),
      m_picture(new QLabel(this)),
      m_progress(new QProgressBar(this)),
      m_linkText(new QLabel(this)),
      m_addresses(new QComboBox(this)),
      m_status(new QLabel(this)) {
    setWindowTitle("QRCode");
    setObjectName("QRCodeView");
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    setAutoFillBackground(true);
    m_picture->setObjectName("1014");
    m_progress->setObjectName("1018");
    m_progress->setTextVisible(false);
    m_progress->setValue(0);
    m_picture->hide();
    m_linkText->setObjectName("linkText");
    m_linkText->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_linkText->setAlignment(Qt::AlignCenter);
    m_linkText->hide();
    m_addresses->setObjectName("addressChoice");
    m_addresses->hide();
    connect(m_addresses, QOverload<int>::of(&QComboBox::activated), this, [this](int index) {
        if (m_choose) m_choose(index);
    });
    m_status->setObjectName("roomStatus");
    m_status->setAlignment(Qt::AlignCenter);
    m_status->hide();
    move(0, 0);
    resize(402, 402);
    m_progress->setGeometry(0, 0, width(), fontMetrics().height() * 14 / 8);
    Layout();
}

void QRCodeView::showBlank() {
    QRect area = parentWidget() != nullptr ? parentWidget()->geometry()
                                           : QGuiApplication::primaryScreen()->availableGeometry();
    QRect frame = frameGeometry();
    frame.moveCenter(area.center());
    move(frame.topLeft());
    m_picture->clear();
    m_picture->hide();
    m_linkText->hide();
    m_addresses->hide();
    m_status->hide();
    m_choose = {};
    show();
    raise();
}

void QRCodeView::hidePicture() {
    m_picture->hide();
}

void QRCodeView::showProgress(std::int64_t total) {
    m_progressShift = 0;
    while ((total >> m_progressShift) > INT_MAX) ++m_progressShift;
    m_progress->setGeometry(0, 0, width(), m_progress->height());
    m_progress->setRange(0, static_cast<int>(total >> m_progressShift));
    m_progress->setValue(0);
    m_progress->show();
}

void QRCodeView::setProgress(std::int64_t done) {
    m_progress->setValue(static_cast<int>(done >> m_progressShift));
}

bool QRCodeView::ShowLink(const QString& link, const QString& imagePath) {
    if (!WriteQrBitmap(link.toUtf8(), imagePath)) return false;
    m_imagePath = imagePath;
    Layout();
    return true;
}

void QRCodeView::hideView() {
    hide();
}

void QRCodeView::showLinkText(const QString& link) {
    m_linkText->setText(link);
    m_linkText->setToolTip(link);
    m_linkText->setVisible(!link.isEmpty());
    // The link must be readable whole to be typed: widen the window for it, within the screen.
    const int wanted = m_linkText->fontMetrics().horizontalAdvance(link) + 16;
    const QScreen* screen = this->screen();
    const int most = screen != nullptr ? screen->availableGeometry().width() : wanted;
    if (!link.isEmpty() && wanted > width() && !isMaximized())
        resize(std::min(wanted, most), height());
    Layout();
}

void QRCodeView::showAddresses(const QStringList& addresses, int current,
                               std::function<void(int)> choose) {
    m_choose = std::move(choose);
    m_addresses->clear();
    m_addresses->addItems(addresses);
    if (current >= 0 && current < addresses.size()) m_addresses->setCurrentIndex(current);
    // A choice only where there is one to make.
    m_addresses->setVisible(addresses.size() > 1);
    if (addresses.isEmpty()) m_linkText->hide();
    Layout();
}

void QRCodeView::showRoomStatus(const QString& status) {
    m_status->setText(status);
    m_status->setVisible(!status.isEmpty());
    Layout();
}

bool QRCodeView::isShown() const {
    return isVisible();
}

int QRCodeView::belowHeight() const {
    int h = 0;
    for (const QWidget* w : {static_cast<const QWidget*>(m_linkText),
                             static_cast<const QWidget*>(m_addresses),
                             static_cast<const QWidget*>(m_status)})
        if (!w->isHidden()) h += w->sizeHint().height() + 2;
    return h;
}

void QRCodeView::placeBelow(int top) {
    for (QWidget* w : {static_cast<QWidget*>(m_linkText), static_cast<QWidget*>(m_addresses),
                       static_cast<QWidget*>(m_status)}) {
        if (w->isHidden()) continue;
        const int h = w->sizeHint().height();
        w->setGeometry(4, top, width() - 8, h);
        top += h + 2;
    }
}

void QRCodeView::Layout() {
    if (m_imagePath.isEmpty()) return;
    m_progress->hide();
    const int below = belowHeight();
    placeBelow(height() - below);
    const QrPlacement at = placeQr(width(), height() - below);
    QImage image(m_imagePath);
    if (image.isNull() || at.side <= 0) {
        m_picture->clear();
        return;
    }
    // Whole modules scale without blur: no smoothing between dark and light.
    m_picture->setPixmap(QPixmap::fromImage(
        image.scaled(at.side, at.side, Qt::IgnoreAspectRatio, Qt::FastTransformation)));
    m_picture->setGeometry(at.x, at.y, at.side, at.side);
    m_picture->show();
}

void QRCodeView::toggleMaximised() {
    if (!m_maximised)
        showMaximized();
    else
        showNormal();
    m_maximised = !m_maximised;
}

void QRCodeView::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    m_progress->setGeometry(0, 0, width(), m_progress->height());
    Layout();
}

// The title bar belongs to the window manager here, which keeps its own double-click; a
// double-click inside the view toggles the same way.
void QRCodeView::mouseDoubleClickEvent(QMouseEvent* event) {
    QDialog::mouseDoubleClickEvent(event);
    toggleMaximised();
}

bool QRCodeView::event(QEvent* event) {
    if (event->type() == QEvent::NonClientAreaMouseButtonDblClick) {
        QDialog::event(event);
        toggleMaximised();
        return true;
    }
    return QDialog::event(event);
}

}  // namespace cloud
