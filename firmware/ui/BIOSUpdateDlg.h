#pragma once
// The firmware update's password dialog: a masked password box and the warning that the update
// is meant for repairing hardware faults. The right password opens the chooser, which this
// dialog creates and owns.
#include "firmware/FirmwareUpdate.h"

#include <QDialog>

class BIOSUpdateDlg_2;
class QLabel;
class QLineEdit;
class QPushButton;
class QTextEdit;

class CBIOSUpdateDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kPromptId = 1001;
    static constexpr int kMessageAreaId = 1002;
    static constexpr int kPasswordBoxId = 1003;

    // host, devices and clock must outlive the dialog. launch: see FirmwareUpdate.
    CBIOSUpdateDlg(FirmwareHost& host, DeviceManager& devices, platform::Clock& clock,
                   QWidget* parent = nullptr, FirmwareUpdate::Launcher launch = {});
    ~CBIOSUpdateDlg() override;

    // The firmware-update command: empties the password box, puts the warning in the message
    // area and shows the dialog.
    void ShowForUpgrade();

    BIOSUpdateDlg_2* chooser() const { return m_chooser; }
    QLabel* prompt() const { return m_prompt; }
    QLineEdit* passwordBox() const { return m_password; }
    QTextEdit* messageArea() const { return m_message; }
    QPushButton* okButton() const { return m_ok; }
    QPushButton* cancelButton() const { return m_cancel; }

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void build();
    // The template's places, widened where a text would be cut, mirrored right-to-left.
    void placeControls();
    void setMessage(int textId);
    void OnOK();

    FirmwareUpdate m_update;
    QLabel* m_prompt = nullptr;
    QLineEdit* m_password = nullptr;
    QTextEdit* m_message = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
    BIOSUpdateDlg_2* m_chooser = nullptr;
};
