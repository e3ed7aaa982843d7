#pragma once
// File names made from what a device reports as its identity.
#include <QString>

namespace camera::sdk {

// Keeps a name to a safe alphabet (ASCII letters, digits, '-'; anything else '_').
inline QString safeFileName(const QString& key) {
    QString out;
    for (const QChar c : key)
        out += (c.isLetterOrNumber() && c.unicode() < 128) || c == '-' ? c : QChar('_');
    return out.isEmpty() ? QStringLiteral("camera") : out;
}

}  // namespace camera::sdk
