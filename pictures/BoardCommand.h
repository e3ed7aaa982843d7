#pragma once
// The insert command that hands a picture to the whiteboard program through its relay: where the
// picture goes on the screen, the command's JSON text and the relay's parameter.
#include <QByteArray>
#include <QSize>
#include <QString>

#include <optional>

namespace pictures {

// Size and upper-left corner of the picture on the screen, in units of the display scale.
struct Placement {
    int w = 0;
    int h = 0;
    int x = 0;
    int y = 0;
    bool operator==(const Placement&) const = default;
};

class BoardCommand {
public:
    // The display scale for a screen of the given logical DPI: 96 DPI is 1.0; unknown (0 or
    // less) is 1.0 too.
    static float scaleForDpi(double dpi);

    // The picture fitted to the screen with its proportions kept, centred, then divided by the
    // display scale. Empty for a picture or screen without size.
    static std::optional<Placement> fit(QSize picture, QSize screen, float scale);

    // The path as a JSON string's content: backslash, double quote and control characters
    // escaped.
    static QString escaped(const QString& path);

    // The command for a picture file at the placement.
    static QString json(const QString& picturePath, const Placement& placement);

    // Standard Base64 with "=" padding and no line breaks.
    static QByteArray base64(const QByteArray& bytes);

    // The relay's parameter for a command: "json2wb=" and the Base64 of its UTF-8 bytes.
    static QString relayParameters(const QString& json);
};

}  // namespace pictures
