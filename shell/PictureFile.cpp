#include "PictureFile.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>

namespace app {

namespace {

// Pictures beyond this are not ours; refusing them keeps a planted file from eating memory.
constexpr qint64 kMaxFileBytes = 64LL * 1024 * 1024;
constexpr int kMaxSide = 16384;

// The end-of-image marker cannot occur in entropy-coded data (a 0xFF there is always followed
// by 0x00 or a restart marker), so its absence near the end means the file was cut short. The
// decoder would otherwise fill the missing rows with grey and call that a picture.
bool endsWithEndOfImage(const QByteArray& data) {
    const qsizetype tail = std::min<qsizetype>(data.size(), 64);
    const qsizetype from = data.size() - tail;
    for (qsizetype i = data.size() - 2; i >= from; --i)
        if (static_cast<uchar>(data[i]) == 0xFF && static_cast<uchar>(data[i + 1]) == 0xD9)
            return true;
    return false;
}

bool startsWithJpegSignature(const QByteArray& data) {
    return data.size() >= 4 && static_cast<uchar>(data[0]) == 0xFF &&
           static_cast<uchar>(data[1]) == 0xD8 && static_cast<uchar>(data[2]) == 0xFF;
}

}  // namespace

QImage PictureFile::decode(const QByteArray& data) {
    if (!startsWithJpegSignature(data) || !endsWithEndOfImage(data)) return {};
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "jpeg");
    const QSize size = reader.size();
    if (size.isEmpty() || size.width() > kMaxSide || size.height() > kMaxSide) return {};
    QImage image = reader.read();
    if (image.isNull()) return {};
    // One format for the painter's fast paths, whatever the file's colour layout.
    if (image.format() != QImage::Format_RGB32) image = image.convertToFormat(QImage::Format_RGB32);
    return image;
}

void PictureFile::setKeepDecoded(bool keep) {
    m_keepDecoded = keep;
    if (!keep) {
        m_image = QImage();
        m_path.clear();
    }
}

QImage PictureFile::read(const QString& path) {
    const QFileInfo info(path);
    if (!info.isFile()) return {};
    if (m_keepDecoded && !m_image.isNull() && path == m_path && info.size() == m_size &&
        info.lastModified() == m_modified)
        return m_image;

    QFile file(path);
    if (info.size() > kMaxFileBytes || !file.open(QIODevice::ReadOnly)) return {};
    const QImage image = decode(file.readAll());
    if (m_keepDecoded) {
        m_path = path;
        m_size = info.size();
        m_modified = info.lastModified();
        m_image = image;
    }
    return image;
}

}  // namespace app
