#pragma once
// Dialog units of a font, as dialog templates measure their controls: a horizontal unit is a
// quarter of the font's average character width, a vertical unit an eighth of its height.
#include <QFont>
#include <QRect>
#include <QSize>

namespace platform {

class DialogUnits {
public:
    explicit DialogUnits(const QFont& font);

    int x(int units) const;
    int y(int units) const;
    QRect rect(int x, int y, int width, int height) const;
    QSize size(int width, int height) const;

    int baseX() const { return m_baseX; }
    int baseY() const { return m_baseY; }

private:
    int m_baseX;
    int m_baseY;
};

}  // namespace platform
