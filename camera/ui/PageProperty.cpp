#include "PageProperty.h"

#include "lang/TextIds.h"
#include "platform/DialogUnits.h"
#include "platform/Mirror.h"
#include "platform/RowFit.h"
#include "platform/ui/LeadingLabel.h"
#include "platform/ui/TextNeed.h"

#include <QCheckBox>
#include <QEvent>
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
constexpr int kGroupX = 7, kGroupY = 4;
constexpr int kDefaultW = 56, kDefaultH = 15;

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
    m_group = new QGroupBox(this);
    m_group->setObjectName(QString::number(kGroupBoxId));
    for (int i = 0; i < VideoProperties::kRowCount; ++i) {
        const VideoProperties::Row& row = VideoProperties::rows()[i];
        m_labels[i] = new platform::LeadingLabel(this);
        m_labels[i]->setObjectName(QString::number(row.labelId));
        QSlider* bar = new QSlider(Qt::Horizontal, this);
        bar->setObjectName(QString::number(row.trackbarId));
        bar->setTickPosition(QSlider::NoTicks);
        m_trackbars[i] = bar;
        m_values[i] = new platform::LeadingLabel(this);
        m_values[i]->setObjectName(QString::number(row.valueId));
        // The position after the action, before the slider takes it as its value.
        connect(bar, &QAbstractSlider::actionTriggered, this, [this, i, bar](int action) {
            OnScroll(i, scrollCodeFor(action), bar->sliderPosition());
        });
        connect(bar, &QAbstractSlider::sliderReleased, this, [this, i, bar] {
            OnScroll(i, VideoProperties::kThumbPosition, bar->sliderPosition());
        });
    }
    m_auto = new QCheckBox(this);
    m_auto->setObjectName(QString::number(kAutoCheckId));
    connect(m_auto, &QCheckBox::clicked, this, &CPageProperty::OnAutomatic);
    m_default = new QPushButton(this);
    m_default->setObjectName(QString::number(kDefaultButtonId));
    m_default->setAutoDefault(false);
    connect(m_default, &QPushButton::clicked, this, &CPageProperty::OnDefault);
    setTexts();
    placeControls();
}

int CPageProperty::valueWidthNeeded() const {
    // The widest number a row can show, so a value never gets cut as the thumb moves.
    const QFontMetrics fm(m_values[0]->font());
    const int around = m_values[0]->width() - m_values[0]->contentsRect().width();
    int need = 0;
    for (const QSlider* bar : m_trackbars) {
        for (int v : {bar->minimum(), bar->maximum()})
            need = std::max(need, fm.horizontalAdvance(QString::asprintf("%d", v)) + around);
    }
    return need;
}

void CPageProperty::placeControls() {
    const platform::DialogUnits du(font());
    const bool rtl = isRightToLeft();
    // The columns of every row: label, trackbar, value, then the automatic box.
    std::vector<QRect> columns{du.rect(kLabelX, 0, kLabelW, 0), du.rect(kTrackX, 0, kTrackW, 0),
                               du.rect(kValueX, 0, kValueW, 0), du.rect(kAutoX, 0, kAutoW, 0)};
    int labelNeed = 0;
    for (const QLabel* label : m_labels)
        labelNeed = std::max(labelNeed, platform::textWidthNeeded(*label));
    const int grown = platform::fitRow(
        columns, {labelNeed, 0, valueWidthNeeded(), platform::textWidthNeeded(*m_auto)});

    QRect group = du.rect(kGroupX, kGroupY, kWidth - 2 * kGroupX, kRowTop + kRowPitch * 7 - 2);
    const int groupTemplateWidth = group.width();
    group.setWidth(std::max(group.width() + grown, platform::textWidthNeeded(*m_group)));
    // The window grows by what the group grew, keeping its margins.
    const int width = du.x(kWidth) + group.width() - groupTemplateWidth;
    QRect button = du.rect(kWidth / 2 - kDefaultW / 2, kHeight - 22, kDefaultW, kDefaultH);
    const int buttonNeed = platform::textWidthNeeded(*m_default);
    if (width != du.x(kWidth) || buttonNeed > button.width()) {
        button.setWidth(std::max(button.width(), buttonNeed));
        button.moveLeft((width - button.width()) / 2);
    }
    setFixedSize(width, du.y(kHeight));

    const auto put = [&](QWidget* w, const QRect& r) {
        w->setGeometry(platform::placed(r, width, rtl));
    };
    put(m_group, group);
    put(m_default, button);
    for (int i = 0; i < VideoProperties::kRowCount; ++i) {
        const int y = kRowTop + kRowPitch * i;
        put(m_labels[i], QRect(columns[0].x(), du.y(y + 2), columns[0].width(), du.y(10)));
        put(m_trackbars[i], QRect(columns[1].x(), du.y(y), columns[1].width(), du.y(kTrackH)));
        put(m_values[i], QRect(columns[2].x(), du.y(y + 2), columns[2].width(), du.y(10)));
    }
    const int exposureY = kRowTop + kRowPitch * VideoProperties::kExposureRow;
    put(m_auto, QRect(columns[3].x(), du.y(exposureY + 1), columns[3].width(), du.y(12)));
}

void CPageProperty::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    const bool relevant =
        event->type() == QEvent::LayoutDirectionChange || event->type() == QEvent::FontChange;
    if (m_group != nullptr && relevant) placeControls();
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
    placeControls();
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
