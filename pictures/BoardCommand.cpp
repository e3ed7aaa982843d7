#include "BoardCommand.h"

namespace pictures {

namespace {

constexpr double kBaseDpi = 96.0;

// Truncated toward zero, as the receiving side expects the numbers.
int truncated(float v) {
    return static_cast<int>(v);
}

}  // namespace

float BoardCommand::scaleForDpi(double dpi) {
    return dpi > 0 ? static_cast<float>(dpi / kBaseDpi) : 1.0f;
}

std::optional<Placement> BoardCommand::fit(QSize picture, QSize screen, float scale) {
    if (picture.width() <= 0 || picture.height() <= 0 || screen.width() <= 0 ||
        screen.height() <= 0 || !(scale > 0))
        return std::nullopt;
    // Single precision throughout: the whiteboard side was tuned to these exact numbers.
    const float w = static_cast<float>(picture.width());
    const float h = static_cast<float>(picture.height());
    const int sw = screen.width();
    const int sh = screen.height();
    int fh = truncated(h / w * static_cast<float>(sw));
    int fw = sw;
    if (fh > sh) {
        fh = sh;
        fw = truncated(w / h * static_cast<float>(sh));
    }
    const int cx = (sw - fw) / 2;
    const int cy = (sh - fh) / 2;
    return Placement{
        truncated(static_cast<float>(fw) / scale), truncated(static_cast<float>(fh) / scale),
        truncated(static_cast<float>(cx) / scale), truncated(static_cast<float>(cy) / scale)};
}

QString BoardCommand::escaped(const QString& path) {
    QString out;
    out.reserve(path.size() + 8);
    for (const QChar c : path) {
        switch (c.unicode()) {
            case '\\': out += QLatin1String("\\\\"); break;
            case '"': out += QLatin1String("\\\""); break;
            case '\b': out += QLatin1String("\\b"); break;
            case '\f': out += QLatin1String("\\f"); break;
            case '\n': out += QLatin1String("\\n"); break;
            case '\r': out += QLatin1String("\\r"); break;
            case '\t': out += QLatin1String("\\t"); break;
            default:
                if (c.unicode() < 0x20)
                    out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
                else
                    out += c;
        }
    }
    return out;
}

QString BoardCommand::json(const QString& picturePath, const Placement& p) {
    return QStringLiteral(
               "{\"sender\":\"orbsnaps\",\"target\":\"board\",\"action\":\"insert\",\"data\":{"
               "\"type\":\"image\",\"file\":\"%1\",\"newpage\":true,\"size\":{\"w\":%2,\"h\":%3},"
               "\"location\": {\"x\": %4,\"y\" : %5}}}")
        // One pass: a "%2" inside the path must stay as it is.
        .arg(escaped(picturePath), QString::number(p.w), QString::number(p.h), QString::number(p.x),
             QString::number(p.y));
}

QByteArray BoardCommand::base64(const QByteArray& bytes) {
    return bytes.toBase64(QByteArray::Base64Encoding);
}

QString BoardCommand::relayParameters(const QString& json) {
    return QStringLiteral("json2wb=") + QString::fromLatin1(base64(json.toUtf8()));
}

}  // namespace pictures
