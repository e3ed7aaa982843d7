#include "FontFallback.h"

#include <QFontDatabase>

namespace platform {

QStringList FontFallback::families() {
    return {
        // Chinese
        QStringLiteral("WenQuanYi Micro Hei"),
        QStringLiteral("Noto Sans CJK SC"),
        QStringLiteral("Noto Serif CJK SC"),
        QStringLiteral("AR PL UMing CN"),
        QStringLiteral("Droid Sans Fallback"),
        // Arabic
        QStringLiteral("Noto Sans Arabic"),
        QStringLiteral("Noto Naskh Arabic"),
        QStringLiteral("KacstOne"),
        QStringLiteral("KacstBook"),
        QStringLiteral("DejaVu Sans"),
    };
}

QFont FontFallback::withFallbacks(QFont font, const QStringList& installed) {
    const QString own = font.family();
    QStringList chain{own};
    for (const QString& family : families()) {
        if (family.compare(own, Qt::CaseInsensitive) == 0) continue;
        if (installed.contains(family, Qt::CaseInsensitive)) chain << family;
    }
    font.setFamilies(chain);
    return font;
}

QFont FontFallback::withFallbacks(const QFont& font) {
    return withFallbacks(font, QFontDatabase::families());
}

}  // namespace platform
