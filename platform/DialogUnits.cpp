#include "DialogUnits.h"

#include <QFontMetrics>

#include <algorithm>

namespace platform {

namespace {

// units × base / divisor, rounded to the nearest pixel.
int scaled(int units, int base, int divisor) {
    const long long n = static_cast<long long>(units) * base;
    return static_cast<int>((n >= 0 ? n + divisor / 2 : n - divisor / 2) / divisor);
}

}  // namespace

DialogUnits::DialogUnits(const QFont& font) {
    const QFontMetrics fm(font);
    // The average width over the 52 letters, rounded.
    const int letters = fm.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    m_baseX = std::max(1, (letters / 26 + 1) / 2);
    m_baseY = std::max(1, fm.height());
}

int DialogUnits::x(int units) const {
    return scaled(units, m_baseX, 4);
}

int DialogUnits::y(int units) const {
    return scaled(units, m_baseY, 8);
}

QRect DialogUnits::rect(int left, int top, int width, int height) const {
    return QRect(x(left), y(top), x(width), y(height));
}

QSize DialogUnits::size(int width, int height) const {
    return QSize(x(width), y(height));
}

}  // namespace platform
