#include "BIOSUpdateDlg.h"

#include "firmware/ui/BIOSUpdateDlg_2.h"
#include "firmware/ui/Centre.h"
#include "lang/TextIds.h"
#include "platform/DialogUnits.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTextEdit>

CBIOSUpdateDlg::CBIOSUpdateDlg(FirmwareHost& host, DeviceManager& devices, platform::Clock& clock,
                               QWidget* parent, FirmwareUpdate::Launcher launch)
    : QDialog(parent), m_update(host, devices, clock, std::move(launch)) {
    build();
    m_chooser = new BIOSUpdateDlg_2(m_update, this);
    m_chooser->hide();
}

CBIOSUpdateDlg::~CBIOSUpdateDlg() = default;

void CBIOSUpdateDlg::build() {
    const platform::DialogUnits du(font());
    setFixedSize(du.size(257, 122));
    const FirmwareHost& host = m_update.host();
    setWindowTitle(host.text(text::kMenuFirmware));
    m_prompt = new QLabel(host.text(text::kEnterPassword), this);
    m_prompt->setObjectName(QString::number(kPromptId));
    m_prompt->setGeometry(du.rect(7, 7, 243, 10));
    m_password = new QLineEdit(this);
    m_password->setObjectName(QString::number(kPasswordBoxId));
    m_password->setEchoMode(QLineEdit::Password);
    m_password->setGeometry(du.rect(7, 20, 243, 14));
    m_message = new QTextEdit(this);
    m_message->setObjectName(QString::number(kMessageAreaId));
    m_message->setReadOnly(true);
    m_message->setGeometry(du.rect(7, 40, 243, 54));
    setMessage(text::kFirmwareWarning);
    m_message->setEnabled(false);
    m_ok = new QPushButton(host.text(text::kOk), this);
    m_ok->setObjectName(QString::number(1));
    m_ok->setDefault(true);
    m_ok->setGeometry(du.rect(146, 101, 50, 14));
    m_cancel = new QPushButton(host.text(text::kCancel), this);
    m_cancel->setObjectName(QString::number(2));
    m_cancel->setGeometry(du.rect(200, 101, 50, 14));
    // OK checks the password and leaves the dialog open; Cancel hides it.
    connect(m_ok, &QPushButton::clicked, this, &CBIOSUpdateDlg::OnOK);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
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
