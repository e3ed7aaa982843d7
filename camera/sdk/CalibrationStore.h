#pragma once
// Calibration corners kept per camera in the SDK's data folder, so they survive restarts.
#include "camera/sdk/Corners.h"

#include <QString>

#include <optional>

namespace camera::sdk {

class CalibrationStore {
public:
    explicit CalibrationStore(QString folder = {}) : m_folder(std::move(folder)) {}
    void setFolder(const QString& folder) { m_folder = folder; }

    // The saved corners of a camera; the full frame when there are none or the file is damaged.
    Corners load(const QString& cameraKey) const;
    bool save(const QString& cameraKey, const Corners& corners) const;
    QString pathFor(const QString& cameraKey) const;
    // The first time a camera with a factory calibration is seen in this folder, that calibration
    // becomes its saved one (unless one is saved already), and a record says so. From then on the
    // saved file alone counts: deleted or damaged, the camera opens with the full frame.
    // With nothing filed under cameraKey yet, the corners filed under seed (if any) are the start.
    Corners loadOrInstall(const QString& cameraKey, const std::optional<Corners>& factory,
                          const QString& seed = {}) const;
    bool filed(const QString& cameraKey) const;
    QString factoryRecordFor(const QString& cameraKey) const;

    // Text form of a calibration file, and its strict reading (nullopt for anything damaged).
    static QByteArray format(const Corners& corners);
    static std::optional<Corners> parse(const QByteArray& text);

private:
    QString m_folder;
};

}  // namespace camera::sdk
