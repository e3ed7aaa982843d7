#include "World.h"

#include <sys/syscall.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace fakeuvc {

namespace {

class PropertyWriter {
public:
    explicit PropertyWriter(FakeDevice& d) : m_d(d) {
        m_d.propertyCount = 0;
        m_used = 0;
    }
    void add(const char* name, const char* value) {
        if (value == nullptr || m_d.propertyCount == kMaxProperties) return;
        const size_t nl = std::strlen(name) + 1, vl = std::strlen(value) + 1;
        if (m_used + nl + vl > sizeof m_d.text) return;
        char* n = m_d.text + m_used;
        std::memcpy(n, name, nl);
        char* v = n + nl;
        std::memcpy(v, value, vl);
        m_used += nl + vl;
        ListEntry& e = m_d.properties[m_d.propertyCount];
        e.name = n;
        e.value = v;
        e.next = nullptr;
        if (m_d.propertyCount > 0) m_d.properties[m_d.propertyCount - 1].next = &e;
        ++m_d.propertyCount;
    }

private:
    FakeDevice& m_d;
    size_t m_used = 0;
};

// udev's ID_VENDOR_ENC and ID_MODEL_ENC escape blanks; ID_VENDOR and ID_MODEL replace them.
void encode(char* to, size_t size, const char* from, bool escape) {
    size_t o = 0;
    for (; *from != '\0' && o + 5 < size; ++from) {
        if (*from == ' ' && escape)
            o += size_t(std::snprintf(to + o, size - o, "\\x20"));
        else
            to[o++] = *from == ' ' ? '_' : *from;
    }
    to[o] = '\0';
}

// "0c45" as the kernel's PRODUCT writes it: "c45".
const char* unpadded(const char* hex) {
    while (hex[0] == '0' && hex[1] != '\0') ++hex;
    return hex;
}

}  // namespace

void World::describe(FakeDevice& d, const Camera& c, DeviceKind kind, const char* action) {
    d.kind = kind;
    d.camera = int(&c - m_cameras);
    d.action = action;
    PropertyWriter w(d);
    char buf[256];
    const Description& desc = c.desc;
    if (action != nullptr) w.add("ACTION", action);
    if (kind == DeviceKind::Node) {
        w.add("DEVPATH", c.syspath + 4);
        w.add("DEVNAME", c.node);
        w.add("SUBSYSTEM", "video4linux");
        w.add("MAJOR", "81");
        w.add("ID_V4L_VERSION", "2");
        w.add("ID_V4L_PRODUCT", desc.card);
        w.add("ID_V4L_CAPABILITIES", ":capture:");
        w.add("ID_TYPE", "video");
        w.add("ID_USB_INTERFACES", ":0e0100:0e0200:");
        w.add("ID_USB_INTERFACE_NUM", "00");
        w.add("ID_USB_DRIVER", "uvcvideo");
        w.add("ID_PATH", c.idPath);
        encode(buf, sizeof buf, c.idPath, false);
        for (char* p = buf; *p != '\0'; ++p)
            if (*p == ':' || *p == '.') *p = '_';
        w.add("ID_PATH_TAG", buf);
        w.add("TAGS", ":uaccess:seat:");
        w.add("CURRENT_TAGS", ":uaccess:seat:");
    } else {
        w.add("DEVPATH", c.usbSyspath + 4);
        w.add("SUBSYSTEM", "usb");
        w.add("DEVTYPE", "usb_device");
        std::snprintf(buf, sizeof buf, "%s/%s/%s", unpadded(desc.vendorId),
                      unpadded(desc.productId), unpadded(desc.revision));
        w.add("PRODUCT", buf);
        w.add("TYPE", "239/2/1");
        w.add("BUSNUM", "001");
        std::snprintf(buf, sizeof buf, "/dev/bus/usb/001/%03d", std::atoi(c.usbSysname + 2) + 1);
        w.add("DEVNAME", buf);
        w.add("DRIVER", "usb");
    }
    w.add("ID_BUS", "usb");
    w.add("ID_VENDOR_ID", desc.vendorId);
    w.add("ID_MODEL_ID", desc.productId);
    w.add("ID_REVISION", desc.revision);
    encode(buf, sizeof buf, desc.manufacturer, false);
    w.add("ID_VENDOR", buf);
    encode(buf, sizeof buf, desc.manufacturer, true);
    w.add("ID_VENDOR_ENC", buf);
    encode(buf, sizeof buf, desc.product, false);
    w.add("ID_MODEL", buf);
    encode(buf, sizeof buf, desc.product, true);
    w.add("ID_MODEL_ENC", buf);
    if (c.serial[0] != '\0') {
        w.add("ID_SERIAL_SHORT", c.serial);
        char m[64], p[64];
        encode(m, sizeof m, desc.manufacturer, false);
        encode(p, sizeof p, desc.product, false);
        std::snprintf(buf, sizeof buf, "%s_%s_%s", m, p, c.serial);
        w.add("ID_SERIAL", buf);
    }
}

void World::buildDevices(Camera& c) {
    describe(c.nodeDevice, c, DeviceKind::Node, nullptr);
    describe(c.usbDevice, c, DeviceKind::Usb, nullptr);
}

void World::buildEventDevice(Event& e) {
    const bool add = e.kind == EventKind::UsbAdd || e.kind == EventKind::NodeAdd;
    const bool usb = e.kind == EventKind::UsbAdd || e.kind == EventKind::UsbRemove;
    describe(e.device, m_cameras[e.camera], usb ? DeviceKind::Usb : DeviceKind::Node,
             add ? "add" : "remove");
}

bool World::isFake(const void* p) const {
    const auto* b = reinterpret_cast<const unsigned char*>(this);
    const auto* q = static_cast<const unsigned char*>(p);
    return q >= b && q < b + sizeof *this;
}

void World::noteEnumeration(void* enumeration, const char* subsystem) {
    if (subsystem == nullptr || std::strcmp(subsystem, "video4linux") != 0) return;
    Locked lock(m_lock);
    for (void*& e : m_videoEnumerations) {
        if (e == nullptr) {
            e = enumeration;
            return;
        }
    }
}

bool World::isVideoEnumeration(void* enumeration) const {
    Locked lock(m_lock);
    for (void* e : m_videoEnumerations)
        if (e == enumeration) return true;
    return false;
}

void World::forgetEnumeration(void* enumeration) {
    Locked lock(m_lock);
    for (void*& e : m_videoEnumerations)
        if (e == enumeration) e = nullptr;
}

ListEntry* World::enumerationList() {
    Locked lock(m_lock);
    const int64_t now = nowNs();
    ListEntry* head = nullptr;
    ListEntry* last = nullptr;
    for (int i = 0; i < m_cameraCount; ++i) {
        Camera& c = m_cameras[i];
        if (now < c.nodeAtNs || gone(c, now)) continue;
        c.enumEntry.next = nullptr;
        if (last != nullptr)
            last->next = &c.enumEntry;
        else
            head = &c.enumEntry;
        last = &c.enumEntry;
    }
    return head;
}

FakeDevice* World::deviceAt(const char* syspath) {
    if (syspath == nullptr) return nullptr;
    Locked lock(m_lock);
    for (int i = 0; i < m_cameraCount; ++i) {
        if (std::strcmp(m_cameras[i].syspath, syspath) == 0) return &m_cameras[i].nodeDevice;
        if (std::strcmp(m_cameras[i].usbSyspath, syspath) == 0) return &m_cameras[i].usbDevice;
    }
    return nullptr;
}

FakeDevice* World::parentOf(const FakeDevice* d, const char* subsystem, const char* devtype) {
    if (d == nullptr || d->kind != DeviceKind::Node || d->camera < 0) return nullptr;
    if (subsystem != nullptr && std::strcmp(subsystem, "usb") != 0) return nullptr;
    if (devtype != nullptr && std::strcmp(devtype, "usb_device") != 0) return nullptr;
    return &m_cameras[d->camera].usbDevice;
}

const char* World::attribute(const FakeDevice* d, const char* name) {
    if (d == nullptr || d->camera < 0 || name == nullptr) return nullptr;
    const Camera& c = m_cameras[d->camera];
    if (d->kind == DeviceKind::Node) {
        if (std::strcmp(name, "name") == 0) return c.desc.card;
        if (std::strcmp(name, "index") == 0) return "0";
        return nullptr;
    }
    struct Attr {
        const char* name;
        const char* value;
    };
    const Attr attrs[] = {
        {"idVendor", c.desc.vendorId},
        {"idProduct", c.desc.productId},
        {"bcdDevice", c.desc.revision},
        {"manufacturer", c.desc.manufacturer},
        {"product", c.desc.product},
        {"serial", c.serial[0] != '\0' ? c.serial : nullptr},
        {"busnum", "1"},
        {"devnum", c.usbSysname + 2},
        {"devpath", c.usbSysname + 2},
        {"speed", "480"},
    };
    for (const Attr& a : attrs)
        if (std::strcmp(a.name, name) == 0) return a.value;
    return nullptr;
}

int World::monitorSlot(void* monitor) const {
    for (int i = 0; i < kMaxMonitors; ++i)
        if (m_monitors[i].handle == monitor) return i;
    return -1;
}

void World::monitorFilter(void* monitor, const char* subsystem) {
    if (subsystem == nullptr) return;
    Locked lock(m_lock);
    int slot = monitorSlot(monitor);
    if (slot < 0) slot = monitorSlot(nullptr);
    if (slot < 0) return;
    Monitor& m = m_monitors[slot];
    m.handle = monitor;
    m.filtered = true;
    m.usb |= std::strcmp(subsystem, "usb") == 0;
    m.video |= std::strcmp(subsystem, "video4linux") == 0;
}

int World::monitorFd(void* monitor, int realFd) {
    if (!active()) return realFd;
    Locked lock(m_lock);
    int slot = monitorSlot(monitor);
    if (slot < 0) slot = monitorSlot(nullptr);
    if (slot < 0) return realFd;
    Monitor& m = m_monitors[slot];
    m.handle = monitor;
    if (m.fd < 0) {
        m.fd = int(::syscall(SYS_eventfd2, 0, 02000000 /* EFD_CLOEXEC */));
        if (m.fd < 0 || m.fd >= kMaxFds) return realFd;
        m_fdMonitor[m.fd].store(int8_t(slot + 1));
    }
    return m.fd;
}

bool World::eventMatches(const Monitor& m, const Event& e) const {
    if (!m.filtered) return true;
    const bool usb = e.kind == EventKind::UsbAdd || e.kind == EventKind::UsbRemove;
    return usb ? m.usb : m.video;
}

FakeDevice* World::receive(void* monitor) {
    Locked lock(m_lock);
    const int slot = monitorSlot(monitor);
    if (slot < 0 || m_monitors[slot].fd < 0) return nullptr;
    const int64_t now = nowNs();
    Event* next = nullptr;
    for (int i = 0; i < m_eventCount; ++i) {
        Event& e = m_events[i];
        if (e.atNs > now || (e.deliveredTo & (1u << slot)) || !eventMatches(m_monitors[slot], e))
            continue;
        if (next == nullptr || e.atNs < next->atNs) next = &e;
    }
    if (next == nullptr) return nullptr;
    next->deliveredTo |= 1u << slot;
    return &next->device;
}

void World::forgetMonitor(void* monitor) {
    Locked lock(m_lock);
    const int slot = monitorSlot(monitor);
    if (slot < 0) return;
    Monitor& m = m_monitors[slot];
    if (m.fd >= 0) {
        m_fdMonitor[m.fd].store(0);
        ::syscall(SYS_close, m.fd);
    }
    m = Monitor{};
}

}  // namespace fakeuvc
