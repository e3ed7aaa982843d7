#pragma once
// The font of the chooser's board list: the classic Song face where it is installed, else a CJK
// face the system has, at 18 points.
#include <QFont>
#include <QStringList>

class BoardListFont {
public:
    static constexpr int kPointSize = 18;
    // The Song face under its Chinese and its Latin name.
    static QStringList preferredFamilies();
    // Where none of those is installed, in this order.
    static QStringList fallbackFamilies();

    // The font from the families installed (QFontDatabase::families()).
    static QFont choose(const QStringList& installed);
    // From the fonts of this system.
    static QFont forThisSystem();
};
