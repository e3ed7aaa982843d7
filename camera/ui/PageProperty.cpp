#include "PageProperty.h"

#include "lang/TextIds.h"
#include "platform/DialogUnits.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>

using camera::VideoProperties;

namespace {

// The template in dialog units: 228 × 172, rows 18 apart inside the group box.
constexpr int kWidth = 228, kHeight = 172;
constexpr int kRowTop = 16, kRowPitch = 18;
constexpr int kLabelX = 14, kLabelW = 40;
constexpr int kTrackX = 56, kTrackW = 100, kTrackH = 14;
constexpr int kValueX = 160, kValueW = 26;
constexpr int kAutoX = 188, kAutoW = 36;

}  // namespace

CPageProperty::CPageProperty(CCamera& camera, std::function<QString(int)> texts,
                             std::function<bool()> dualScreen, QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::WindowStaysOnTopHint),
      m_logic(camera, std::move(dualScreen)),
      m_texts(std::move(texts)) {
    build();
    refresh();
}

int CPageProperty::scrollCodeFor(int sliderAction) {
    switch (sliderAction) {
        case QAbstractSlider::SliderSingleStepSub: return VideoProperties::kLineUp;
        case QAbstractSlider::SliderSingleStepAdd: return VideoProperties::kLineDown;
        case QAbstractSlider::SliderPageStepSub: return VideoProperties::kPageUp;
        case QAbstractSlider::SliderPageStepAdd: return VideoProperties::kPageDown;
        case QAbstractSlider::SliderMove: return VideoProperties::kThumbTrack;
        case QAbstractSlider::SliderToMinimum: return VideoProperties::kTop;
        case QAbstractSlider::SliderToMaximum: return VideoProperties::kBottom;
        default: return -1;
    }
}

void CPageProperty::build() {
    const platform::DialogUnits du(font());
    setFixedSize(du.size(kWidth, kHeight));
    m_group = new QGroupBox(this);
    m_group->setObjectName(QString::number(kGroupBoxId));
    m_group->setGeometry(du.rect(7, 4, kWidth - 14, kRowTop + kRowPitch * 7 - 2));
    for (int i = 0; i < VideoProperties::kRowCount; ++i) {
        const VideoProperties::Row& row = VideoProperties::rows()[i];
        const int y = kRowTop + kRowPitch * i;
        m_labels[i] = new QLabel(this);
        m_labels[i]->setObjectName(QString::number(row.labelId));
        m_labels[i]->setGeometry(du.rect(kLabelX, y + 2, kLabelW, 10));
        QSlider* bar = new QSlider(Qt::Horizontal, this);
        bar->setObjectName(QString::number(row.trackbarId));
        bar->setTickPosition(QSlider::NoTicks);
        bar->setGeometry(du.rect(kTrackX, y, kTrackW, kTrackH));
        m_trackbars[i] = bar;
        m_values[i] = new QLabel(this);
        m_values[i]->setObjectName(QString::number(row.valueId));
        m_values[i]->setGeometry(du.rect(kValueX, y + 2, kValueW, 10));
        // The position after the action, before the slider takes it as its value.
        connect(bar, &QAbstractSlider::actionTriggered, this, [this, i, bar](int action) {
            OnScroll(i, scrollCodeFor(action), bar->sliderPosition());
        });
        connect(bar, &QAbstractSlider::sliderReleased, this, [this, i, bar] {
            OnScroll(i, VideoProperties::kThumbPosition, bar->sliderPosition());
        });
    }
    const int exposureY = kRowTop + kRowPitch * VideoProperties::kExposureRow;
    m_auto = new QCheckBox(this);
    m_auto->setObjectName(QString::number(kAutoCheckId));
    m_auto->setGeometry(du.rect(kAutoX, exposureY + 1, kAutoW, 12));
    connect(m_auto, &QCheckBox::clicked, this, &CPageProperty::OnAutomatic);
    m_default = new QPushButton(this);
    m_default->setObjectName(QString::number(kDefaultButtonId));
    m_default->setAutoDefault(false);
    m_default->setGeometry(du.rect(kWidth / 2 - 28, kHeight - 22, 56, 15));
    connect(m_default, &QPushButton::clicked, this, &CPageProperty::OnDefault);
    setTexts();
}

void CPageProperty::setTexts() {
    const auto t = [this](int id) { return m_texts ? m_texts(id) : QString(); };
    setWindowTitle(t(text::kVideoProperties));
    m_group->setTitle(t(text::kVideoProperties));
    for (int i = 0; i < VideoProperties::kRowCount; ++i) {
        const QString name = t(VideoProperties::rows()[i].textId);
        m_labels[i]->setText(name);
        // A slider has no text of its own: a screen reader names it by its row.
        m_trackbars[i]->setAccessibleName(name);
        m_values[i]->setAccessibleName(name);
    }
    m_default->setText(t(text::kDefault));
    m_auto->setText(t(text::kAuto));
}

void CPageProperty::refresh() {
    m_logic.refresh();
    showState();
}

void CPageProperty::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    refresh();
}

void CPageProperty::showState() {
    const VideoProperties::State& s = m_logic.state();
    for (int i = 0; i < VideoProperties::kRowCount; ++i) {
        const VideoProperties::RowState& r = s.rows[i];
        QSlider* bar = m_trackbars[i];
        const QSignalBlocker quiet(bar);
        bar->setEnabled(i == VideoProperties::kExposureRow ? s.exposureTrackbarEnabled()
                                                           : r.supported);
        if (!r.supported) {
            m_values[i]->clear();
            continue;
        }
        bar->setRange(r.minimum, r.maximum);
        bar->setPageStep(std::max(1, (r.maximum - r.minimum) / 5));  // a fifth, as trackbars do
        // A thumb still held follows the mouse; it gets the camera's value when let go.
        if (!bar->isSliderDown()) bar->setValue(r.value);
        m_values[i]->setText(QString::asprintf("%d", r.value));
    }
    m_auto->setEnabled(s.automaticBoxEnabled());
    m_auto->setChecked(s.automatic);
}

void CPageProperty::OnScroll(int row, int code, int position) {
    if (m_logic.scroll(row, code, position)) showState();
}

void CPageProperty::OnDefault() {
    m_logic.restoreDefaults();
    showState();
}

void CPageProperty::OnAutomatic() {
    m_logic.setAutomatic(m_auto->isChecked());
    showState();
}
