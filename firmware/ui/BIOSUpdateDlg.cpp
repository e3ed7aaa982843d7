#include "BIOSUpdateDlg.h"

#include "firmware/ui/BIOSUpdateDlg_2.h"
#include "firmware/ui/Centre.h"
#include "lang/TextIds.h"
#include "platform/DialogUnits.h"
#include "platform/Mirror.h"
#include "platform/RowFit.h"
#include "platform/ui/LeadingLabel.h"
#include "platform/ui/TextNeed.h"

#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextOption>

CBIOSUpdateDlg::CBIOSUpdateDlg(FirmwareHost& host, DeviceManager& devices, platform::Clock& clock,
                               QWidget* parent, FirmwareUpdate::Launcher launch)
    : QDialog(parent), m_update(host, devices, clock, std::move(launch)) {
    build();
    m_chooser = new BIOSUpdateDlg_2(m_update, this);
    m_chooser->hide();
}

CBIOSUpdateDlg::~CBIOSUpdateDlg() = default;

void CBIOSUpdateDlg::build() {
    const FirmwareHost& host = m_update.host();
    setWindowTitle(host.text(text::kMenuFirmware));
    m_prompt = new platform::LeadingLabel(host.text(text::kEnterPassword), this);
    m_prompt->setObjectName(QString::number(kPromptId));
    m_password = new QLineEdit(this);
    m_password->setObjectName(QString::number(kPasswordBoxId));
    m_password->setEchoMode(QLineEdit::Password);
    m_message = new QTextEdit(this);
    m_message->setObjectName(QString::number(kMessageAreaId));
    m_message->setReadOnly(true);
    setMessage(text::kFirmwareWarning);
    m_message->setEnabled(false);
    m_ok = new QPushButton(host.text(text::kOk), this);
    m_ok->setObjectName(QString::number(1));
    m_ok->setDefault(true);
    m_cancel = new QPushButton(host.text(text::kCancel), this);
    m_cancel->setObjectName(QString::number(2));
    // OK checks the password and leaves the dialog open; Cancel hides it.
    connect(m_ok, &QPushButton::clicked, this, &CBIOSUpdateDlg::OnOK);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    placeControls();
}

void CBIOSUpdateDlg::placeControls() {
    const platform::DialogUnits du(font());
    const int margin = du.x(7);
    // The prompt, the password box and the message area share one column across the window.
    QRect column = du.rect(7, 0, 243, 0);
    const int columnGrowth = std::max(0, platform::textWidthNeeded(*m_prompt) - column.width());
    column.setWidth(column.width() + columnGrowth);
    // OK and Cancel stay at the right end; a wider button pushes the pair left, then the window.
    std::vector<QRect> buttons{du.rect(146, 101, 50, 14), du.rect(200, 101, 50, 14)};
    const int rowGrowth = platform::fitRow(
        buttons, {platform::textWidthNeeded(*m_ok), platform::textWidthNeeded(*m_cancel)});
    const int intoGap = std::min(rowGrowth, buttons.front().x() - margin);
    for (QRect& b : buttons) b.translate(-intoGap, 0);
    const int width = du.x(257) + std::max(columnGrowth, rowGrowth - intoGap);
    for (QRect& b : buttons) b.translate(width - du.x(257) - (rowGrowth - intoGap), 0);
    setFixedSize(width, du.y(122));
    const bool rtl = isRightToLeft();
    const auto put = [&](QWidget* w, const QRect& r) {
        w->setGeometry(platform::placed(r, width, rtl));
    };
    put(m_prompt, QRect(column.x(), du.y(7), column.width(), du.y(10)));
    put(m_password, QRect(column.x(), du.y(20), column.width(), du.y(14)));
    put(m_message, QRect(column.x(), du.y(40), column.width(), du.y(54)));
    // The warning reads from the window's leading edge, as the rest of it does.
    QTextOption option = m_message->document()->defaultTextOption();
    option.setTextDirection(layoutDirection());
    option.setAlignment(Qt::AlignAbsolute | (isRightToLeft() ? Qt::AlignRight : Qt::AlignLeft));
    m_message->document()->setDefaultTextOption(option);
    put(m_ok, buttons[0]);
    put(m_cancel, buttons[1]);
}

void CBIOSUpdateDlg::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    const bool relevant =
        event->type() == QEvent::LayoutDirectionChange || event->type() == QEvent::FontChange;
    if (m_cancel != nullptr && relevant) placeControls();
}

void CBIOSUpdateDlg::setMessage(int textId) {
    m_message->setPlainText(m_update.host().text(textId));
}

void CBIOSUpdateDlg::ShowForUpgrade() {
    m_password->clear();
    setMessage(text::kFirmwareWarning);
    show();
    raise();
    activateWindow();
}

void CBIOSUpdateDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // The password is asked for anew each time.
    m_password->clear();
    m_password->setFocus();
    firmware::centreOnScreen(*this);
}

void CBIOSUpdateDlg::OnOK() {
    const bool right = FirmwareUpdate::passwordMatches(m_password->text());
    setMessage(right ? text::kFirmwareWarning : text::kWrongPassword);
    repaint();
    if (right) m_chooser->Fill();
}
