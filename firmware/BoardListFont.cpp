#include "BoardListFont.h"

#include "platform/FontFallback.h"

#include <QFontDatabase>

QStringList BoardListFont::preferredFamilies() {
    return {QStringLiteral("宋体"), QStringLiteral("SimSun")};
}

QStringList BoardListFont::fallbackFamilies() {
    return {QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("Noto Sans CJK SC"),
            QStringLiteral("Noto Serif CJK SC"), QStringLiteral("AR PL UMing CN"),
            QStringLiteral("Droid Sans Fallback")};
}

QFont BoardListFont::choose(const QStringList& installed) {
    QFont font;
    font.setPointSize(kPointSize);
    for (const QStringList& families : {preferredFamilies(), fallbackFamilies()}) {
        for (const QString& family : families) {
            if (installed.contains(family, Qt::CaseInsensitive)) {
                font.setFamily(family);
                return platform::FontFallback::withFallbacks(font, installed);
            }
        }
    }
    // The default face, at the same size, with whatever else shows the lines' letters.
    return platform::FontFallback::withFallbacks(font, installed);
}

QFont BoardListFont::forThisSystem() {
    return choose(QFontDatabase::families());
}
