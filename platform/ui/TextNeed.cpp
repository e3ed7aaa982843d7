#include "TextNeed.h"

#include <QCheckBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>

namespace platform {

namespace {

int textWidth(const QWidget& w, const QString& text) {
    // The widest line, with mnemonics as the style draws them.
    return w.fontMetrics().size(Qt::TextShowMnemonic, text).width();
}

int buttonNeed(const QPushButton& b) {
    if (b.text().isEmpty()) return 0;
    const QStyle* style = b.style();
    const int frame = style->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, &b);
    int need = textWidth(b, b.text()) + style->pixelMetric(QStyle::PM_ButtonMargin, nullptr, &b) +
               2 * frame;
    if (b.isDefault() || b.autoDefault())
        need += 2 * style->pixelMetric(QStyle::PM_ButtonDefaultIndicator, nullptr, &b);
    if (!b.icon().isNull()) need += b.iconSize().width() + 4;
    return need;
}

}  // namespace

int textWidthNeeded(const QWidget& control) {
    if (const auto* label = qobject_cast<const QLabel*>(&control)) {
        if (label->text().isEmpty() || label->wordWrap()) return 0;
        const int around = label->width() - label->contentsRect().width();
        return textWidth(*label, label->text()) + around + 2 * label->margin();
    }
    if (const auto* button = qobject_cast<const QPushButton*>(&control)) return buttonNeed(*button);
    if (const auto* box = qobject_cast<const QCheckBox*>(&control))
        return box->text().isEmpty() ? 0 : box->sizeHint().width();
    if (const auto* radio = qobject_cast<const QRadioButton*>(&control))
        return radio->text().isEmpty() ? 0 : radio->sizeHint().width();
    if (const auto* group = qobject_cast<const QGroupBox*>(&control))
        return group->title().isEmpty() ? 0 : group->minimumSizeHint().width();
    return 0;
}

}  // namespace platform
