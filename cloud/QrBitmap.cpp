#include "QrBitmap.h"

#include <QSaveFile>

#include <qrencode.h>

#include <cstdio>
#include <cstring>

namespace cloud {

namespace {

void put16(char* p, quint16 v) {
    p[0] = static_cast<char>(v & 0xFF);
    p[1] = static_cast<char>(v >> 8);
}
void put32(char* p, quint32 v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

QByteArray headers(int side, quint32 dataSize) {
    QByteArray h(54, '\0');
    char* p = h.data();
    p[0] = 'B';
    p[1] = 'M';
    put32(p + 2, dataSize + 54);
    put32(p + 10, 54);
    put32(p + 14, 40);
    put32(p + 18, static_cast<quint32>(side));
    put32(p + 22, static_cast<quint32>(side));
    put16(p + 26, 1);
    put16(p + 28, 24);
    return h;  // compression, image size, resolutions and colours stay 0
}

}  // namespace

std::optional<QByteArray> qrBitmapBytes(const QByteArray& text) {
    QRcode* code = QRcode_encodeString(text.constData(), 0, QR_ECLEVEL_H, QR_MODE_8, 1);
    if (code == nullptr) return std::nullopt;
    const int n = code->width;
    const int side = kPixelsPerModule * n;
    const qsizetype row = 3 * static_cast<qsizetype>(side);
    const qsizetype dataSize = row * side;
    QByteArray file = headers(side, static_cast<quint32>(dataSize));
    file.append(QByteArray(dataSize, static_cast<char>(0xFF)));
    char* pixels = file.data() + 54;
    for (int y = 0; y < n; ++y) {
        for (int x = 0; x < n; ++x) {
            if ((code->data[y * n + x] & 1) == 0) continue;
            for (int i = 0; i < kPixelsPerModule; ++i) {
                const qsizetype fileRow = kPixelsPerModule * (n - 1 - y) + i;
                std::memset(pixels + fileRow * row + 3 * kPixelsPerModule * x, 0,
                            3 * kPixelsPerModule);
            }
        }
    }
    QRcode_free(code);
    return file;
}

bool WriteQrBitmap(const QByteArray& text, const QString& path) {
    const std::optional<QByteArray> bytes = qrBitmapBytes(text);
    if (!bytes) {
        std::printf("NULL returned\n");
        return false;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(*bytes) != bytes->size() || !file.commit()) {
        std::printf("Unable to open file\n");
        return false;
    }
    std::printf("qrcode has generated in %s\n", path.toLocal8Bit().constData());
    std::fflush(stdout);
    return true;
}

}  // namespace cloud
