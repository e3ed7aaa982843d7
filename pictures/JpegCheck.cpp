#include "JpegCheck.h"

#include <QFile>

namespace pictures {

namespace {

constexpr int kMarkerSoi = 0xD8;
constexpr int kMarkerEoi = 0xD9;
constexpr int kMarkerSos = 0xDA;
// Writers may pad after the end marker; no more than this is looked through.
constexpr qint64 kTailBytes = 1024;

int byteAt(const QByteArray& b, qint64 i) {
    return static_cast<unsigned char>(b[static_cast<qsizetype>(i)]);
}

bool isFrameMarker(int m) {
    return m >= 0xC0 && m <= 0xCF && m != 0xC4 && m != 0xC8 && m != 0xCC;
}

bool isStandalone(int m) {
    return m == 0x01 || (m >= 0xD0 && m <= 0xD7);
}

// Walks the marker segments from the start of the file to the start of the scan.
bool headersComplete(QFile& file, JpegFrame& frame) {
    bool haveFrame = false;
    qint64 at = 2;
    for (;;) {
        if (!file.seek(at)) return false;
        QByteArray head = file.read(2);
        while (head.size() == 2 && byteAt(head, 0) == 0xFF && byteAt(head, 1) == 0xFF) {
            head = head.mid(1) + file.read(1);  // fill bytes before a marker
            ++at;
        }
        if (head.size() != 2 || byteAt(head, 0) != 0xFF) return false;
        const int marker = byteAt(head, 1);
        if (marker == kMarkerSos) return haveFrame;
        if (marker == kMarkerEoi || marker == kMarkerSoi) return false;
        if (isStandalone(marker)) {
            at += 2;
            continue;
        }
        const QByteArray segment = file.read(isFrameMarker(marker) ? 8 : 2);
        if (segment.size() < 2) return false;
        const int length = byteAt(segment, 0) << 8 | byteAt(segment, 1);
        if (length < 2 || at + 2 + length > file.size()) return false;
        if (isFrameMarker(marker)) {
            if (segment.size() < 8) return false;
            frame.precision = byteAt(segment, 2);
            frame.height = byteAt(segment, 3) << 8 | byteAt(segment, 4);
            frame.width = byteAt(segment, 5) << 8 | byteAt(segment, 6);
            frame.components = byteAt(segment, 7);
            if (frame.width == 0 || frame.height == 0 || frame.components == 0) return false;
            haveFrame = true;
        }
        at += 2 + length;
    }
}

bool endsWithEndMarker(QFile& file) {
    const qint64 from = std::max<qint64>(0, file.size() - kTailBytes);
    if (!file.seek(from)) return false;
    const QByteArray tail = file.read(kTailBytes);
    qint64 end = tail.size();
    while (end > 0 && byteAt(tail, end - 1) == 0) --end;
    return end >= 2 && byteAt(tail, end - 2) == 0xFF && byteAt(tail, end - 1) == kMarkerEoi;
}

}  // namespace

std::optional<JpegFrame> readJpegFrame(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() < 4) return std::nullopt;
    const QByteArray start = file.read(2);
    if (start.size() != 2 || byteAt(start, 0) != 0xFF || byteAt(start, 1) != kMarkerSoi)
        return std::nullopt;
    JpegFrame frame;
    if (!headersComplete(file, frame) || !endsWithEndMarker(file)) return std::nullopt;
    return frame;
}

bool isCompleteJpeg(const QString& path) {
    return readJpegFrame(path).has_value();
}

}  // namespace pictures
