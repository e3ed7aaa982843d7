#pragma once
// A V4L2 device's controls as `v4l2-ctl --list-ctrls-menus` printed them, answering the control
// requests as uvcvideo does: values clamped and rounded to the step, menu entries the camera
// lacks refused, and the exposure time refused while the camera chooses it itself.
#include "camera/sdk/V4l2ControlIo.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <map>
#include <vector>

namespace cameratest {

class RecordedControls : public camera::sdk::V4l2ControlIo {
public:
    struct Control {
        QString name;
        uint32_t type = 0;
        int minimum = 0, maximum = 0, step = 1, defaultValue = 0, value = 0;
        uint32_t flags = 0;
        std::map<int, QString> menu;
    };

    explicit RecordedControls(const QByteArray& listing);
    // A listing from tests/camera/data/controls.
    static RecordedControls fromFile(const QString& name);

    int controlIoctl(unsigned long request, void* arg) override;

    // Writes the camera took, as "name=value", in order.
    const QStringList& writes() const { return m_writes; }
    int value(const QString& name) const;
    size_t size() const { return m_controls.size(); }

private:
    int setControl(uint32_t id, int value);
    bool chooserIsAutomatic() const;

    std::map<uint32_t, Control> m_controls;
    QStringList m_writes;
};

}  // namespace cameratest
