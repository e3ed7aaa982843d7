#include "CutTexts.h"

#include <QCheckBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QStyle>

namespace testsupport {

namespace {

int advance(const QWidget& w, const QString& text) {
    int widest = 0;
    for (const QString& line : text.split(u'\n'))
        widest = std::max(widest, w.fontMetrics().horizontalAdvance(line));
    return widest;
}

// The room the text has inside the control, by the least the style keeps around it.
struct Room {
    QString text;
    int room = 0;
};

bool roomFor(const QWidget& w, Room& out) {
    const QStyle* style = w.style();
    if (const auto* label = qobject_cast<const QLabel*>(&w)) {
        if (label->wordWrap()) return false;
        out = {label->text(), label->contentsRect().width() - 2 * label->margin()};
        return true;
    }
    if (const auto* button = qobject_cast<const QPushButton*>(&w)) {
        const int frame = style->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, &w);
        out = {button->text(), button->width() - 2 * frame};
        return true;
    }
    if (const auto* box = qobject_cast<const QCheckBox*>(&w)) {
        const int indicator = style->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, &w) +
                              style->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, &w);
        out = {box->text(), box->width() - indicator};
        return true;
    }
    if (const auto* group = qobject_cast<const QGroupBox*>(&w)) {
        out = {group->title(), group->width()};
        return true;
    }
    return false;
}

}  // namespace

QStringList cutTexts(const QWidget& dialog) {
    QStringList faults;
    for (const QWidget* w : dialog.findChildren<QWidget*>()) {
        if (w->isWindow() || w->isHidden()) continue;
        Room r;
        if (!roomFor(*w, r) || r.text.isEmpty()) continue;
        const QString name = w->objectName() + QStringLiteral(" \"") + r.text + u'"';
        const int need = advance(*w, r.text);
        if (need > r.room)
            faults << name + QStringLiteral(" needs %1 px, has %2").arg(need).arg(r.room);
        const QWidget* parent = w->parentWidget();
        if (!QRect(QPoint(0, 0), parent->size()).contains(w->geometry()))
            faults << name + QStringLiteral(" reaches past its window");
    }
    return faults;
}

}  // namespace testsupport

namespace testsupport {

void saveShot(QWidget& window, const QString& name) {
    const QString folder = qEnvironmentVariable("OSTRELY_SHOTS");
    if (folder.isEmpty()) return;
    window.grab().save(folder + u'/' + name + QStringLiteral(".png"));
}

}  // namespace testsupport
