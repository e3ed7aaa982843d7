#include "CalibrationStore.h"

#include "camera/sdk/FileNames.h"

#include "platform/RegularFile.h"
#include "platform/StagedFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cmath>

namespace camera::sdk {

namespace {

constexpr char kMagic[] = "ostrely-calibration 1";
constexpr qint64 kMaxFileSize = 4096;

}  // namespace

QString CalibrationStore::pathFor(const QString& cameraKey) const {
    return m_folder + "/calibration-" + safeFileName(cameraKey) + ".txt";
}

QByteArray CalibrationStore::format(const Corners& corners) {
    QByteArray text = kMagic;
    text += '\n';
    for (const QPointF& p : corners.p)
        text += QByteArray::number(p.x(), 'g', 9) + ' ' + QByteArray::number(p.y(), 'g', 9) + '\n';
    return text;
}

std::optional<Corners> CalibrationStore::parse(const QByteArray& text) {
    const QList<QByteArray> lines = text.split('\n');
    // The magic line, four corner lines, and the empty rest after the final line feed.
    if (lines.size() != 6 || lines[0] != kMagic || !lines[5].isEmpty()) return std::nullopt;
    Corners c;
    for (int i = 0; i < 4; ++i) {
        const QList<QByteArray> xy = lines[i + 1].split(' ');
        if (xy.size() != 2) return std::nullopt;
        bool okX = false, okY = false;
        const double x = xy[0].toDouble(&okX), y = xy[1].toDouble(&okY);
        if (!okX || !okY || !std::isfinite(x) || !std::isfinite(y)) return std::nullopt;
        if (x < 0 || x > 1 || y < 0 || y > 1) return std::nullopt;
        c.p[i] = QPointF(x, y);
    }
    return c;
}

Corners CalibrationStore::load(const QString& cameraKey) const {
    if (m_folder.isEmpty()) return Corners::fullFrame();
    const auto read = platform::readRegularFile(pathFor(cameraKey), kMaxFileSize);
    if (!read.bytes) return Corners::fullFrame();
    return parse(*read.bytes).value_or(Corners::fullFrame());
}

namespace {

// Written whole and renamed into place, so a crash never leaves half a file.
bool writeWhole(const QString& folder, const QString& path, const QByteArray& text) {
    if (folder.isEmpty() || !QDir().mkpath(folder)) return false;
    return platform::StagedFile::replace(path, text);
}

}  // namespace

bool CalibrationStore::save(const QString& cameraKey, const Corners& corners) const {
    return writeWhole(m_folder, pathFor(cameraKey), format(corners));
}

QString CalibrationStore::factoryRecordFor(const QString& cameraKey) const {
    return m_folder + "/calibration-" + safeFileName(cameraKey) + ".factory";
}

bool CalibrationStore::filed(const QString& cameraKey) const {
    return !m_folder.isEmpty() && QFileInfo::exists(pathFor(cameraKey));
}

Corners CalibrationStore::loadOrInstall(const QString& cameraKey,
                                        const std::optional<Corners>& factory,
                                        const QString& seed) const {
    const QString record = factoryRecordFor(cameraKey);
    if (factory && !m_folder.isEmpty() && !QFileInfo::exists(record)) {
        // A calibration the user saved before is his, factory or not.
        const bool saved = QFileInfo::exists(pathFor(cameraKey)) || save(cameraKey, *factory);
        // The record holds what the factory gave, for whoever wants it back.
        if (saved) writeWhole(m_folder, record, format(*factory));
    }
    if (!seed.isEmpty() && !filed(cameraKey)) return load(seed);
    return load(cameraKey);
}

}  // namespace camera::sdk
