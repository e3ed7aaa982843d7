#include "BIOSUpdateDlg_2.h"

#include "firmware/BoardListFont.h"
#include "firmware/ui/Centre.h"
#include "lang/TextIds.h"
#include "platform/DialogUnits.h"
#include "platform/Mirror.h"
#include "platform/RowFit.h"
#include "platform/ui/TextNeed.h"

#include <QEvent>
#include <QListWidget>
#include <QPushButton>

BIOSUpdateDlg_2::BIOSUpdateDlg_2(FirmwareUpdate& update, QWidget* parent)
    : QDialog(parent), m_update(update) {
    const FirmwareHost& host = m_update.host();
    setWindowTitle(host.text(text::kMenuFirmware));
    m_list = new QListWidget(this);
    m_list->setObjectName(QString::number(kBoardListId));
    // Lines stay in device-list order, so a line's position is its board's index.
    m_list->setSortingEnabled(false);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setFont(BoardListFont::forThisSystem());
    m_keyUpgrade = new QPushButton(host.text(text::kUpgradeBoard), this);
    m_keyUpgrade->setObjectName(QString::number(kKeyUpgradeId));
    m_cameraUpgrade = new QPushButton(host.text(text::kUpgradeCamera), this);
    m_cameraUpgrade->setObjectName(QString::number(kCameraUpgradeId));
    connect(m_keyUpgrade, &QPushButton::clicked, this, &BIOSUpdateDlg_2::OnKeyUpgrade);
    connect(m_cameraUpgrade, &QPushButton::clicked, this, &BIOSUpdateDlg_2::OnCameraUpgrade);
    placeControls();
}

void BIOSUpdateDlg_2::placeControls() {
    const platform::DialogUnits du(font());
    std::vector<QRect> buttons{du.rect(7, 126, 90, 16), du.rect(103, 126, 90, 16)};
    const int grown = platform::fitRow(buttons, {platform::textWidthNeeded(*m_keyUpgrade),
                                                 platform::textWidthNeeded(*m_cameraUpgrade)});
    // The list widens with the buttons below it.
    const int width = du.x(200) + grown;
    QRect list = du.rect(7, 7, 186, 112);
    list.setWidth(list.width() + grown);
    setFixedSize(width, du.y(150));
    const bool rtl = isRightToLeft();
    m_list->setGeometry(platform::placed(list, width, rtl));
    m_keyUpgrade->setGeometry(platform::placed(buttons[0], width, rtl));
    m_cameraUpgrade->setGeometry(platform::placed(buttons[1], width, rtl));
}

void BIOSUpdateDlg_2::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    const bool relevant =
        event->type() == QEvent::LayoutDirectionChange || event->type() == QEvent::FontChange;
    if (m_cameraUpgrade != nullptr && relevant) placeControls();
}

void BIOSUpdateDlg_2::Fill() {
    for (int i = m_list->count() - 1; i >= 0; --i) delete m_list->takeItem(i);
    m_lines = m_update.boardLines();
    m_list->addItems(m_lines);
    show();
}

void BIOSUpdateDlg_2::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    firmware::centreOnScreen(*this);
}

void BIOSUpdateDlg_2::OnKeyUpgrade() {
    const QList<QListWidgetItem*> selected = m_list->selectedItems();
    const int row = selected.isEmpty() ? -1 : m_list->row(selected.first());
    if (m_update.keyUpgrade(row, m_lines) != FirmwareUpdate::Outcome::kCancelled) Fill();
}

void BIOSUpdateDlg_2::OnCameraUpgrade() {
    m_update.cameraUpgrade();
}
