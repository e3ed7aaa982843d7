#pragma once
// The firmware update's chooser: the connected button boards by their identification, in
// device-list order, and the two actions: send the selected board into its update mode, or start
// the camera burner tool and close the program.
#include "firmware/FirmwareUpdate.h"

#include <QDialog>

class QListWidget;
class QPushButton;

class BIOSUpdateDlg_2 : public QDialog {
    Q_OBJECT
public:
    static constexpr int kKeyUpgradeId = 1040;
    static constexpr int kCameraUpgradeId = 1041;
    static constexpr int kBoardListId = 1042;

    BIOSUpdateDlg_2(FirmwareUpdate& update, QWidget* parent);

    // Lists the boards anew and shows the chooser.
    void Fill();

    QListWidget* boardList() const { return m_list; }
    QPushButton* keyUpgradeButton() const { return m_keyUpgrade; }
    QPushButton* cameraUpgradeButton() const { return m_cameraUpgrade; }

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // The template's places, widened where a text would be cut, mirrored right-to-left.
    void placeControls();
    void OnKeyUpgrade();
    void OnCameraUpgrade();

    FirmwareUpdate& m_update;
    QStringList m_lines;  // as listed, line i is board i
    QListWidget* m_list = nullptr;
    QPushButton* m_keyUpgrade = nullptr;
    QPushButton* m_cameraUpgrade = nullptr;
};
