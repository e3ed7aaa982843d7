#pragma once
// Reads a stored picture for the viewer. A missing, truncated or non-JPEG file gives a null
// image, never a half-decoded one.
#include <QDateTime>
#include <QImage>
#include <QString>

namespace app {

class PictureFile {
public:
    // With keepDecoded the last picture is kept while its file is unchanged (same path, size and
    // modification time); without it every read decodes the file anew.
    explicit PictureFile(bool keepDecoded = false) : m_keepDecoded(keepDecoded) {}

    QImage read(const QString& path);
    void setKeepDecoded(bool keep);
    bool keepsDecoded() const { return m_keepDecoded; }

    // The picture in data, or null when data is not one whole JPEG.
    static QImage decode(const QByteArray& data);

private:
    bool m_keepDecoded;
    QString m_path;
    qint64 m_size = -1;
    QDateTime m_modified;
    QImage m_image;
};

}  // namespace app
