#pragma once
// The QR code of a text as a 24-bit BMP, 8 pixels per module, no quiet zone, rows bottom-up.
#include <QByteArray>
#include <QString>

#include <optional>

namespace cloud {

inline constexpr int kPixelsPerModule = 8;

// The whole file, or nothing when the text does not fit any symbol at level H.
std::optional<QByteArray> qrBitmapBytes(const QByteArray& text);

// Writes the file (replacing it whole, so a reader never sees half of it). False, with the
// reason on standard output, when the text cannot be encoded or the file cannot be written.
bool WriteQrBitmap(const QByteArray& text, const QString& path);

}  // namespace cloud
