#include "shell/ui/Prompt.h"

#include "shell/ShellHost.h"
#include "lang/TextIds.h"

#include <QCloseEvent>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
// The dialog's own caption, never replaced by a text of the language pack.
const char* const kCaption = "\u63D0\u793A";
// Dialog units of the window: 257 x 71.
constexpr int kWidthDlu = 257;
constexpr int kHeightDlu = 71;
}  // namespace

CPrompt::CPrompt(ShellHost& host, QWidget* parent, int tickMs)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint), m_host(host) {
    setWindowTitle(QString::fromUtf8(kCaption));
    setModal(false);
    m_text = new QLabel(this);
    m_text->setAlignment(Qt::AlignCenter);
    m_ok = new QPushButton(m_host.text(text::kOk), this);
    m_cancel = new QPushButton(m_host.text(text::kCancel), this);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_ok);
    buttons->addStretch(4);
    buttons->addWidget(m_cancel);
    buttons->addStretch(1);
    auto* column = new QVBoxLayout(this);
    column->addStretch(1);
    column->addWidget(m_text);
    column->addStretch(1);
    column->addLayout(buttons);
    m_text->setText(m_host.text(text::kAskClearAll) + QStringLiteral("(10)"));

    const QFontMetrics metrics(font());
    const int charWidth = metrics.averageCharWidth();
    setMinimumSize(kWidthDlu * charWidth / 4, kHeightDlu * metrics.height() / 8);

    m_timer.setInterval(tickMs);
    connect(&m_timer, &QTimer::timeout, this, &CPrompt::OnTimer);
    connect(m_ok, &QPushButton::clicked, this, &CPrompt::OnOK);
    connect(m_cancel, &QPushButton::clicked, this, &CPrompt::OnCancel);
}

QString CPrompt::promptText() const {
    return m_host.text(text::kAskClearAll) + QStringLiteral("(%1)").arg(m_countdown);
}

void CPrompt::ShowPrompt() {
    m_timer.stop();
    m_countdown = 10;
    m_text->setText(promptText());
    m_timer.start();
    if (!isVisible()) {
        adjustSize();
        const QRect area = m_host.workArea();
        move(area.center() - QPoint(width() / 2, height() / 2));
    }
    show();
    m_shown = true;
}

void CPrompt::clearAndReturnToCapture() {
    m_host.clearPictures();
    m_host.ChangeToCapture();
}

void CPrompt::OnTimer() {
    --m_countdown;
    m_text->setText(promptText());
    if (m_countdown == 0) {
        clearAndReturnToCapture();
        m_timer.stop();
        close();
        m_shown = false;
    }
}

void CPrompt::OnOK() {
    m_timer.stop();
    clearAndReturnToCapture();
    m_shown = false;
    done(QDialog::Accepted);
}

void CPrompt::OnCancel() {
    m_timer.stop();
    m_shown = false;
    done(QDialog::Rejected);
}

void CPrompt::closeEvent(QCloseEvent* event) {
    m_timer.stop();
    m_shown = false;
    QDialog::closeEvent(event);
}

void CPrompt::keyPressEvent(QKeyEvent* event) {
    // Escape is the Cancel button; Enter the OK button, as the dialog's default.
    if (event->key() == Qt::Key_Escape) {
        OnCancel();
        return;
    }
    QDialog::keyPressEvent(event);
}
