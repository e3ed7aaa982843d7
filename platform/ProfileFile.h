#pragma once
// One value of an INI-style profile file set the way the desktop's profile writer sets it: the
// other sections, keys, comments and line breaks of the file stay as they are. The file is
// replaced whole and never written through a link.
#include <QByteArray>
#include <QString>

namespace platform {

class ProfileFile {
public:
    // Section and key names compare without regard to letter case, as the profile format has it.
    static bool writeString(const QString& path, const QString& section, const QString& key,
                            const QString& value);
    // The same on the text of a file (empty for a new one); what writeString saves.
    static QByteArray withValue(const QByteArray& text, const QString& section, const QString& key,
                                const QString& value);
};

}  // namespace platform
