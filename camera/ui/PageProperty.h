#pragma once
// The video property page: an always-on-top tool window with a row per video setting (label,
// trackbar, value), automatic exposure and a button for the camera's defaults. Every change goes
// to the camera at once; the page shows what the current camera reports.
#include "camera/VideoProperties.h"

#include <QDialog>

#include <array>
#include <functional>

class QCheckBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QSlider;

class CPageProperty : public QDialog {
    Q_OBJECT
public:
    static constexpr int kGroupBoxId = 1006;
    static constexpr int kDefaultButtonId = 424;
    static constexpr int kAutoCheckId = 435;

    // texts: string by id; dualScreen: the dual-screen flag. The camera must outlive the page.
    CPageProperty(CCamera& camera, std::function<QString(int)> texts,
                  std::function<bool()> dualScreen, QWidget* parent = nullptr);

    // Reads the current camera again: after the current camera changed or the cameras were
    // opened again. Showing the page does it too.
    void refresh();

    // The scroll code a trackbar action stands for; -1 for none.
    static int scrollCodeFor(int sliderAction);

    QSlider* trackbar(int row) const { return m_trackbars[row]; }
    QLabel* label(int row) const { return m_labels[row]; }
    QLabel* valueText(int row) const { return m_values[row]; }
    QGroupBox* groupBox() const { return m_group; }
    QPushButton* defaultButton() const { return m_default; }
    QCheckBox* automaticBox() const { return m_auto; }

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void build();
    void setTexts();
    // The template's places, widened where a text of the pack would be cut, mirrored
    // right-to-left.
    void placeControls();
    int valueWidthNeeded() const;
    void showState();
    void OnScroll(int row, int code, int position);
    void OnDefault();
    void OnAutomatic();

    camera::VideoProperties m_logic;
    std::function<QString(int)> m_texts;
    std::array<QSlider*, camera::VideoProperties::kRowCount> m_trackbars{};
    std::array<QLabel*, camera::VideoProperties::kRowCount> m_labels{};
    std::array<QLabel*, camera::VideoProperties::kRowCount> m_values{};
    QGroupBox* m_group = nullptr;
    QPushButton* m_default = nullptr;
    QCheckBox* m_auto = nullptr;
};
