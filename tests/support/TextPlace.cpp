#include "TextPlace.h"

#include <QHash>
#include <QImage>
#include <QLabel>
#include <QStyle>
#include <QTextDocument>
#include <QTextEdit>

namespace testsupport {

namespace {

// What a glyph's side bearing and anti-aliasing leave between a text and the edge it keeps to.
constexpr int kSlack = 3;

struct Ink {
    int left = -1;   // first column that differs from the background
    int right = -1;  // last such column
};

bool differs(QRgb a, QRgb b) {
    return std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) +
               std::abs(qBlue(a) - qBlue(b)) >
           90;
}

// The background is the colour most pixels have.
Ink inkOf(const QImage& image) {
    QHash<QRgb, int> counts;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) ++counts[image.pixel(x, y)];
    QRgb background = 0;
    int most = -1;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it) {
        if (it.value() <= most) continue;
        most = it.value();
        background = it.key();
    }
    Ink ink;
    for (int x = 0; x < image.width(); ++x) {
        for (int y = 0; y < image.height(); ++y) {
            if (!differs(image.pixel(x, y), background)) continue;
            if (ink.left < 0) ink.left = x;
            ink.right = x;
            break;
        }
    }
    return ink;
}

struct Drawn {
    QString text;
    QImage image;  // the area the text is laid out in
    bool centred = false;
    int inset = 0;  // room the control keeps between that area and its text
};

bool drawnText(QWidget& w, Drawn& out) {
    if (auto* label = qobject_cast<QLabel*>(&w)) {
        if (label->text().isEmpty()) return false;
        const int inset = label->margin() + std::max(0, label->indent());
        out = {label->text(), label->grab(label->contentsRect()).toImage(),
               (label->alignment() & Qt::AlignHCenter) != 0, inset};
        return true;
    }
    if (auto* edit = qobject_cast<QTextEdit*>(&w)) {
        if (edit->document()->isEmpty()) return false;
        const Qt::Alignment a = edit->document()->defaultTextOption().alignment();
        out = {edit->toPlainText(), edit->viewport()->grab().toImage(),
               (a & Qt::AlignHCenter) != 0, int(edit->document()->documentMargin())};
        return true;
    }
    return false;
}

// Which side the text belongs to on the screen: -1 left, 0 centre, 1 right.
int wantedSide(const QWidget& w, const Drawn& d) {
    if (d.centred) return 0;
    return w.isRightToLeft() ? 1 : -1;
}

}  // namespace

QStringList misplacedTexts(QWidget& dialog) {
    QStringList faults;
    for (QWidget* w : dialog.findChildren<QWidget*>()) {
        if (w->isWindow() || w->isHidden()) continue;
        Drawn d;
        if (!drawnText(*w, d)) continue;
        const Ink ink = inkOf(d.image);
        if (ink.left < 0) continue;
        const int leftGap = ink.left;
        const int rightGap = d.image.width() - 1 - ink.right;
        const QString name = w->objectName() + QStringLiteral(" \"") + d.text + u'"';
        const QString gaps = QStringLiteral(" (%1 px free left, %2 right)").arg(leftGap).arg(rightGap);
        const int side = wantedSide(*w, d);
        const int room = d.inset + kSlack;
        if (side < 0 && leftGap > room) faults << name + QStringLiteral(" is not at the left") + gaps;
        if (side > 0 && rightGap > room) faults << name + QStringLiteral(" is not at the right") + gaps;
        if (side == 0 && std::abs(leftGap - rightGap) > 2 * kSlack)
            faults << name + QStringLiteral(" is off centre") + gaps;
    }
    return faults;
}

}  // namespace testsupport
