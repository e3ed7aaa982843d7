#include "RecordedControls.h"

#include <QFile>
#include <QRegularExpression>

#include <linux/videodev2.h>

#include <algorithm>
#include <cstring>

namespace cameratest {

namespace {

uint32_t typeOf(const QString& t) {
    if (t == "int") return V4L2_CTRL_TYPE_INTEGER;
    if (t == "bool") return V4L2_CTRL_TYPE_BOOLEAN;
    if (t == "menu") return V4L2_CTRL_TYPE_MENU;
    if (t == "button") return V4L2_CTRL_TYPE_BUTTON;
    return V4L2_CTRL_TYPE_INTEGER64;
}

uint32_t flagsOf(const QString& list) {
    uint32_t f = 0;
    for (const QString& name : list.split(',')) {
        if (name == "disabled") f |= V4L2_CTRL_FLAG_DISABLED;
        if (name == "read-only") f |= V4L2_CTRL_FLAG_READ_ONLY;
        if (name == "inactive") f |= V4L2_CTRL_FLAG_INACTIVE;
    }
    return f;
}

}  // namespace

RecordedControls::RecordedControls(const QByteArray& listing) {
    static const QRegularExpression control(R"(^\s*(\w+) 0x([0-9a-f]{8}) \((\w+)\)\s*:\s*(.*)$)");
    static const QRegularExpression item(R"(^\s+(\d+): (.+)$)");
    Control* last = nullptr;
    for (const QString& line : QString::fromUtf8(listing).split('\n')) {
        if (line.startsWith('#')) continue;
        if (const auto m = control.match(line); m.hasMatch()) {
            Control& c = m_controls[m.captured(2).toUInt(nullptr, 16)];
            c.name = m.captured(1);
            c.type = typeOf(m.captured(3));
            if (c.type == V4L2_CTRL_TYPE_BOOLEAN) c.maximum = 1;
            for (const QString& kv : m.captured(4).split(' ', Qt::SkipEmptyParts)) {
                const QString key = kv.section('=', 0, 0), val = kv.section('=', 1);
                if (key == "min") c.minimum = val.toInt();
                if (key == "max") c.maximum = val.toInt();
                if (key == "step") c.step = val.toInt();
                if (key == "default") c.defaultValue = val.toInt();
                if (key == "value") c.value = val.toInt();
                if (key == "flags") c.flags = flagsOf(val);
            }
            last = &c;
        } else if (const auto i = item.match(line); i.hasMatch() && last != nullptr) {
            last->menu[i.captured(1).toInt()] = i.captured(2);
        }
    }
}

RecordedControls RecordedControls::fromFile(const QString& name) {
    QFile f(QStringLiteral(OSTRELY_SOURCE_DIR "/tests/camera/data/controls/") + name);
    return RecordedControls(f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray());
}

int RecordedControls::value(const QString& name) const {
    for (const auto& [id, c] : m_controls)
        if (c.name == name) return c.value;
    return -999999;
}

bool RecordedControls::chooserIsAutomatic() const {
    const auto it = m_controls.find(V4L2_CID_EXPOSURE_AUTO);
    return it != m_controls.end() && (it->second.value == V4L2_EXPOSURE_AUTO ||
                                      it->second.value == V4L2_EXPOSURE_APERTURE_PRIORITY);
}

int RecordedControls::setControl(uint32_t id, int value) {
    const auto it = m_controls.find(id);
    if (it == m_controls.end()) return -1;
    Control& c = it->second;
    if (c.flags & (V4L2_CTRL_FLAG_DISABLED | V4L2_CTRL_FLAG_READ_ONLY)) return -1;
    // The camera stalls a manual exposure time while it chooses the time itself.
    if (id == V4L2_CID_EXPOSURE_ABSOLUTE && chooserIsAutomatic()) return -1;
    if (c.type == V4L2_CTRL_TYPE_MENU) {
        if (c.menu.count(value) == 0) return -1;
    } else {
        value = std::clamp(value, c.minimum, c.maximum);
        if (c.step > 1) value = c.minimum + (value - c.minimum + c.step / 2) / c.step * c.step;
        value = std::min(value, c.maximum);
    }
    c.value = value;
    m_writes << QString("%1=%2").arg(c.name).arg(value);
    return 0;
}

int RecordedControls::controlIoctl(unsigned long request, void* arg) {
    if (request == VIDIOC_QUERYCTRL) {
        auto* q = static_cast<v4l2_queryctrl*>(arg);
        const auto it = m_controls.find(q->id);
        if (it == m_controls.end()) return -1;
        const Control& c = it->second;
        q->type = c.type;
        std::strncpy(reinterpret_cast<char*>(q->name), c.name.toUtf8().constData(),
                     sizeof q->name - 1);
        q->minimum = c.minimum;
        q->maximum = c.maximum;
        q->step = c.step;
        q->default_value = c.defaultValue;
        q->flags = c.flags;
        if (q->id == V4L2_CID_EXPOSURE_ABSOLUTE && chooserIsAutomatic())
            q->flags |= V4L2_CTRL_FLAG_INACTIVE;
        return 0;
    }
    if (request == VIDIOC_G_CTRL) {
        auto* c = static_cast<v4l2_control*>(arg);
        const auto it = m_controls.find(c->id);
        if (it == m_controls.end()) return -1;
        c->value = it->second.value;
        return 0;
    }
    if (request == VIDIOC_S_CTRL) {
        const auto* c = static_cast<v4l2_control*>(arg);
        return setControl(c->id, c->value);
    }
    if (request == VIDIOC_QUERYMENU) {
        auto* m = static_cast<v4l2_querymenu*>(arg);
        const auto it = m_controls.find(m->id);
        if (it == m_controls.end() || it->second.menu.count(int(m->index)) == 0) return -1;
        std::strncpy(reinterpret_cast<char*>(m->name),
                     it->second.menu.at(int(m->index)).toUtf8().constData(), sizeof m->name - 1);
        return 0;
    }
    return -1;
}

}  // namespace cameratest
