#pragma once
// Faces that show Chinese and Arabic, tried after a font's own family for the glyphs it lacks, so
// a desktop whose default face covers only Latin and Cyrillic still shows every pack's texts.
#include <QFont>
#include <QStringList>

namespace platform {

class FontFallback {
public:
    // In the order tried: the faces of the fonts the package depends on first.
    static QStringList families();

    // font with the installed fallback faces (a list such as QFontDatabase::families()) after its
    // own family; faces that are not installed are left out, and so is the font's own family.
    static QFont withFallbacks(QFont font, const QStringList& installed);
    // With the faces of this system.
    static QFont withFallbacks(const QFont& font);
};

}  // namespace platform
