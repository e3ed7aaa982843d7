#include "World.h"

#include "GrayJpeg.h"

#include <fcntl.h>
#include <sys/eventfd.h>
#include <sys/mman.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <initializer_list>
#include <new>

namespace fakeuvc {

namespace {

constexpr int64_t kMs = 1'000'000;
constexpr uint32_t kMasterExposureAuto = V4L2_CID_EXPOSURE_AUTO;
constexpr uint32_t kMasterWhiteBalanceAuto = V4L2_CID_AUTO_WHITE_BALANCE;
constexpr uint32_t kMasterFocusAuto = V4L2_CID_FOCUS_AUTO;

void copyText(char* to, size_t size, const char* from) {
    std::snprintf(to, size, "%s", from != nullptr ? from : "");
}

// The descriptor is only a placeholder for a number the kernel will not hand out again while we
// hold it: an eventfd nobody writes to, made by the raw system call so nothing here is re-entered.
int placeholderFd(bool cloexec) {
    return int(::syscall(SYS_eventfd2, 0, cloexec ? EFD_CLOEXEC : 0));
}

// The master control that makes another one active, and the master value that does it.
bool dependsOn(uint32_t id, uint32_t& master, int32_t& activeWhen) {
    switch (id) {
        case V4L2_CID_EXPOSURE_ABSOLUTE:
            master = kMasterExposureAuto;
            activeWhen = V4L2_EXPOSURE_MANUAL;
            return true;
        case V4L2_CID_WHITE_BALANCE_TEMPERATURE:
            master = kMasterWhiteBalanceAuto;
            activeWhen = 0;
            return true;
        case V4L2_CID_FOCUS_ABSOLUTE:
            master = kMasterFocusAuto;
            activeWhen = 0;
            return true;
        default: return false;
    }
}

}  // namespace

World& World::get() {
    // Placement in static storage: no destructor runs at exit while other threads still call in.
    alignas(World) static unsigned char storage[sizeof(World)];
    static World* world = new (storage) World();
    return *world;
}

World::World() = default;

int64_t World::nowNs() {
    timespec ts{};
    ::clock_gettime(CLOCK_MONOTONIC, &ts);
    return int64_t(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
}

int World::findCamera(const char* node) const {
    for (int i = 0; i < m_cameraCount; ++i)
        if (node != nullptr && std::strcmp(m_cameras[i].node, node) == 0) return i;
    return -1;
}

int World::cameraOfFd(int fd) const {
    if (fd < 0 || fd >= kMaxFds) return kNotOurs;
    const int v = m_fdCamera[fd].load(std::memory_order_acquire);
    if (v == 0) return kNotOurs;
    return v < 0 ? -1 : v - 1;
}

bool World::isMonitorFd(int fd) const {
    return fd >= 0 && fd < kMaxFds && m_fdMonitor[fd].load(std::memory_order_acquire) != 0;
}

// ---------------------------------------------------------------------------------------------
// Script

namespace {

int64_t msToNs(const char* text) {
    return int64_t(std::strtoll(text, nullptr, 10)) * kMs;
}

bool faultByName(Faults& f, const char* name, int value) {
    struct Entry {
        const char* name;
        int Faults::*field;
    };
    static const Entry entries[] = {
        {"interval_ms", &Faults::intervalMs},
        {"late_ms", &Faults::lateMs},
        {"eintr", &Faults::eintr},
        {"eagain", &Faults::eagain},
        {"error_every", &Faults::errorEvery},
        {"corrupt_every", &Faults::corruptEvery},
        {"overrun_every", &Faults::overrunEvery},
        {"empty_every", &Faults::emptyEvery},
        {"enospc", &Faults::enospc},
        {"unplug_after_frames", &Faults::unplugAfter},
    };
    for (const Entry& e : entries) {
        if (std::strcmp(e.name, name) == 0) {
            f.*e.field = value;
            return true;
        }
    }
    return false;
}

}  // namespace

bool World::parseScript(const char* path) {
    FILE* f = std::fopen(path, "re");
    if (f == nullptr) {
        std::fprintf(stderr, "fakeuvc: cannot read script %s\n", path);
        return false;
    }
    char dir[512];
    copyText(dir, sizeof dir, path);
    if (char* slash = std::strrchr(dir, '/'))
        slash[1] = '\0';
    else
        copyText(dir, sizeof dir, "./");
    char line[512];
    bool ok = true;
    for (int number = 1; std::fgets(line, sizeof line, f) != nullptr; ++number) {
        line[std::strcspn(line, "\r\n#")] = '\0';
        char word[32] = {}, a[256] = {}, b[256] = {}, c[256] = {}, d[256] = {}, e[256] = {};
        const int n = std::sscanf(line, "%31s %255s %255s %255s %255s %255s", word, a, b, c, d, e);
        if (n <= 0) continue;
        if (std::strcmp(word, "camera") == 0 && n >= 3 && m_cameraCount < kMaxCameras) {
            Camera& cam = m_cameras[m_cameraCount];
            cam = Camera{};
            copyText(cam.node, sizeof cam.node, a);
            char descPath[800];
            std::snprintf(descPath, sizeof descPath, "%s%s", b[0] == '/' ? "" : dir, b);
            char error[200];
            if (!readDescription(descPath, cam.desc, error, sizeof error)) {
                std::fprintf(stderr, "fakeuvc: %s line %d: %s\n", path, number, error);
                ok = false;
                continue;
            }
            copyText(cam.serial, sizeof cam.serial, cam.desc.serial);
            for (const char* opt : {c, d, e}) {
                if (std::strncmp(opt, "serial=", 7) == 0)
                    copyText(cam.serial, sizeof cam.serial, opt + 7);
                if (std::strncmp(opt, "path=", 5) == 0)
                    copyText(cam.idPath, sizeof cam.idPath, opt + 5);
                if (std::strncmp(opt, "usb=", 4) == 0)
                    copyText(cam.usbSysname, sizeof cam.usbSysname, opt + 4);
            }
            ++m_cameraCount;
        } else if (std::strcmp(word, "at") == 0 && n >= 4) {
            const int cam = findCamera(c);
            if (cam < 0) {
                std::fprintf(stderr, "fakeuvc: %s line %d: no camera %s\n", path, number, c);
                ok = false;
                continue;
            }
            const int64_t at = msToNs(a);
            if (std::strcmp(b, "usb-add") == 0)
                addEvent(at, EventKind::UsbAdd, cam);
            else if (std::strcmp(b, "node-add") == 0) {
                m_cameras[cam].nodeAtNs = at;
                addEvent(at, EventKind::NodeAdd, cam);
            } else if (std::strcmp(b, "rights") == 0)
                m_cameras[cam].rightsAtNs = at;
            else if (std::strcmp(b, "unplug") == 0)
                unplugLocked(cam, at);
            else {
                std::fprintf(stderr, "fakeuvc: %s line %d: unknown event %s\n", path, number, b);
                ok = false;
            }
        } else if (std::strcmp(word, "fault") == 0 && n >= 4) {
            const int cam = findCamera(a);
            if (cam < 0 || !faultByName(m_cameras[cam].faults, b, std::atoi(c))) {
                std::fprintf(stderr, "fakeuvc: %s line %d: bad fault\n", path, number);
                ok = false;
            }
        } else {
            std::fprintf(stderr, "fakeuvc: %s line %d: not understood\n", path, number);
            ok = false;
        }
    }
    std::fclose(f);
    return ok;
}

void World::setUpCamera(Camera& c, int index) {
    if (c.usbSysname[0] == '\0')
        std::snprintf(c.usbSysname, sizeof c.usbSysname, "1-%d", index + 1);
    if (c.idPath[0] == '\0')
        std::snprintf(c.idPath, sizeof c.idPath, "pci-0000:00:14.0-usb-0:%s:1.0", c.usbSysname + 2);
    const char* base = std::strrchr(c.node, '/');
    base = base != nullptr ? base + 1 : c.node;
    std::snprintf(c.usbSyspath, sizeof c.usbSyspath, "/sys/devices/fakeuvc/usb1/%s", c.usbSysname);
    std::snprintf(c.syspath, sizeof c.syspath, "%s/%s:1.0/video4linux/%s", c.usbSyspath,
                  c.usbSysname, base);
    for (int i = 0; i < c.desc.controlCount; ++i) c.values[i] = c.desc.controls[i].defaultValue;
    v4l2_pix_format pix{};
    const FrameSize& first = c.desc.formats[0].sizes[0];
    applyFormat(c, c.desc.formats[0].fourcc, first.width, first.height, true, pix);
    buildDevices(c);
    c.enumEntry.name = c.syspath;
}

int World::load(const char* scriptPath) {
    Locked lock(m_lock);
    // Descriptors of the cameras before stay ours, but dead.
    for (auto& fd : m_fdCamera)
        if (fd.load() > 0) fd.store(-1);
    for (int i = 0; i < m_cameraCount; ++i) {
        for (Buffer& b : m_cameras[i].buffers)
            if (b.mapped != nullptr) m_mapped.fetch_sub(1);
    }
    m_cameraCount = 0;
    m_eventCount = 0;
    m_t0 = nowNs();
    if (scriptPath == nullptr || scriptPath[0] == '\0') {
        m_active.store(false, std::memory_order_release);
        return 0;
    }
    const bool ok = parseScript(scriptPath);
    for (int i = 0; i < m_cameraCount; ++i) setUpCamera(m_cameras[i], i);
    for (int i = 0; i < m_eventCount; ++i) {
        m_events[i].atNs += m_t0;
        buildEventDevice(m_events[i]);
    }
    for (int i = 0; i < m_cameraCount; ++i) {
        Camera& c = m_cameras[i];
        c.nodeAtNs += m_t0;
        c.rightsAtNs = std::max(c.rightsAtNs + m_t0, c.nodeAtNs);
        if (c.unplugAtNs != kNever) c.unplugAtNs += m_t0;
    }
    m_active.store(true, std::memory_order_release);
    return ok ? 0 : -1;
}

void World::addEvent(int64_t atNs, EventKind kind, int camera) {
    if (m_eventCount == kMaxEvents) return;
    Event& e = m_events[m_eventCount++];
    e = Event{};
    e.atNs = atNs;
    e.kind = kind;
    e.camera = camera;
    if (m_cameras[camera].syspath[0] != '\0') buildEventDevice(e);
}

// Times before the script's start are relative (load adds the start); later ones absolute.
void World::unplugLocked(int camera, int64_t atNs) {
    Camera& c = m_cameras[camera];
    if (c.unplugAtNs != kNever && c.unplugAtNs <= atNs) return;
    c.unplugAtNs = atNs;
    addEvent(atNs, EventKind::NodeRemove, camera);
    addEvent(atNs, EventKind::UsbRemove, camera);
}

void World::unplug(const char* node) {
    Locked lock(m_lock);
    const int cam = findCamera(node);
    if (cam < 0) return;
    unplugLocked(cam, nowNs());
}

bool World::gone(Camera& c, int64_t now) {
    if (!c.unplugged && now >= c.unplugAtNs) {
        c.unplugged = true;
        c.streaming = false;
    }
    return c.unplugged;
}

long World::stat(const char* node, const char* what) {
    Locked lock(m_lock);
    const int cam = findCamera(node);
    if (cam < 0 || what == nullptr) return -1;
    Camera& c = m_cameras[cam];
    gone(c, nowNs());
    if (std::strcmp(what, "streamons") == 0) return c.streamons;
    if (std::strcmp(what, "streaming") == 0) return c.streaming ? 1 : 0;
    if (std::strcmp(what, "frames") == 0) return c.frames;
    if (std::strcmp(what, "opens") == 0) return c.opens;
    if (std::strcmp(what, "open_fds") == 0) return c.openFds;
    if (std::strcmp(what, "dropped") == 0) return c.dropped;
    if (std::strcmp(what, "mapped") == 0) {
        long n = 0;
        for (const Buffer& b : c.buffers) n += b.mapped != nullptr;
        return n;
    }
    return -1;
}

// ---------------------------------------------------------------------------------------------
// Descriptors

int World::open(const char* path, int flags, int& err) {
    Locked lock(m_lock);
    const int cam = findCamera(path);
    const int64_t now = nowNs();
    // While the fake runs, the machine's own video nodes are not there.
    if (cam < 0 || now < m_cameras[cam].nodeAtNs || gone(m_cameras[cam], now)) {
        err = ENOENT;
        return -1;
    }
    Camera& c = m_cameras[cam];
    if (now < c.rightsAtNs) {
        err = EACCES;
        return -1;
    }
    const int fd = placeholderFd(flags & O_CLOEXEC);
    if (fd < 0 || fd >= kMaxFds) {
        if (fd >= 0) ::syscall(SYS_close, fd);
        err = EMFILE;
        return -1;
    }
    m_fdNonblock[fd] = flags & O_NONBLOCK;
    m_fdCamera[fd].store(int8_t(cam + 1), std::memory_order_release);
    ++c.opens;
    ++c.openFds;
    return fd;
}

void World::close(int fd) {
    Locked lock(m_lock);
    const int cam = cameraOfFd(fd);
    if (cam >= 0) {
        Camera& c = m_cameras[cam];
        if (c.owner == fd) {
            c.streaming = false;
            releaseBuffers(c);
        }
        --c.openFds;
    }
    if (cam != kNotOurs) m_fdCamera[fd].store(0, std::memory_order_release);
    if (isMonitorFd(fd)) m_fdMonitor[fd].store(0, std::memory_order_release);
}

void World::releaseBuffers(Camera& c) {
    // Mappings stay valid until unmapped, as the kernel keeps them; only the queue goes.
    for (int i = 0; i < kMaxBuffers; ++i) {
        Buffer& b = c.buffers[i];
        void* mapped = b.mapped;
        const size_t length = b.mappedLength;
        b = Buffer{};
        b.mapped = mapped;
        b.mappedLength = length;
    }
    c.bufferCount = 0;
    c.owner = -1;
}

void* World::mmap(void* addr, size_t length, int prot, int fd, off_t offset, int& err) {
    Locked lock(m_lock);
    const int cam = cameraOfFd(fd);
    if (cam < 0 || gone(m_cameras[cam], nowNs())) {
        err = ENODEV;
        return MAP_FAILED;
    }
    Camera& c = m_cameras[cam];
    const off_t index = offset >> kOffsetShift;
    if (offset != (index << kOffsetShift) || index >= c.bufferCount || length == 0 ||
        length > c.sizeimage + 4096) {
        err = EINVAL;
        return MAP_FAILED;
    }
    Buffer& b = c.buffers[index];
    void* p = reinterpret_cast<void*>(
        ::syscall(SYS_mmap, addr, length, prot, MAP_SHARED | MAP_ANONYMOUS, -1, 0));
    if (p == MAP_FAILED) {
        err = ENOMEM;
        return MAP_FAILED;
    }
    if (b.mapped == nullptr) m_mapped.fetch_add(1);
    b.mapped = p;
    b.mappedLength = length;
    return p;
}

void World::munmap(void* addr) {
    Locked lock(m_lock);
    for (int i = 0; i < m_cameraCount; ++i) {
        for (Buffer& b : m_cameras[i].buffers) {
            if (b.mapped == addr) {
                b.mapped = nullptr;
                b.mappedLength = 0;
                m_mapped.fetch_sub(1);
            }
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Frames

int64_t World::intervalNs(const Camera& c) const {
    if (c.faults.intervalMs > 0) return c.faults.intervalMs * kMs;
    if (c.interval.numerator == 0 || c.interval.denominator == 0) return 33 * kMs;
    const int64_t ns = int64_t(c.interval.numerator) * 1'000'000'000 / c.interval.denominator;
    return ns < kMs ? kMs : ns;
}

int World::doneBuffer(const Camera& c) const {
    int best = -1;
    for (int i = 0; i < c.bufferCount; ++i) {
        if (c.buffers[i].done && (best < 0 || c.buffers[i].order < c.buffers[best].order)) best = i;
    }
    return best;
}

void World::advance(Camera& c, int64_t now) {
    if (!c.streaming) return;
    const int64_t step = intervalNs(c);
    // After a long time without a look only the last few frames matter.
    if (now - c.nextCaptureNs > 16 * step) {
        const int64_t skipped = (now - c.nextCaptureNs) / step - 8;
        c.nextCaptureNs += skipped * step;
        c.sequence += uint32_t(skipped);
        c.dropped += skipped;
    }
    while (c.nextCaptureNs <= now) {
        capture(c, c.nextCaptureNs);
        c.nextCaptureNs += step;
    }
}

void World::capture(Camera& c, int64_t atNs) {
    const uint32_t sequence = c.sequence++;
    int slot = -1;
    for (int i = 0; i < c.bufferCount; ++i) {
        if (c.buffers[i].queued && (slot < 0 || c.buffers[i].order < c.buffers[slot].order))
            slot = i;
    }
    if (slot < 0) {
        ++c.dropped;  // no buffer to fill: the driver drops the frame
        return;
    }
    Buffer& b = c.buffers[slot];
    b.queued = false;
    b.done = true;
    b.order = c.nextOrder++;
    b.sequence = sequence;
    b.stampNs = atNs - int64_t(c.faults.lateMs) * kMs;
    b.flags = V4L2_BUF_FLAG_TIMESTAMP_MONOTONIC | V4L2_BUF_FLAG_TSTAMP_SRC_SOE;
    fillFrame(c, b, sequence);
}

void World::fillFrame(Camera& c, Buffer& b, uint32_t sequence) {
    const Format& fmt = c.desc.formats[c.format];
    const FrameSize& size = fmt.sizes[c.size];
    const long n = long(sequence) + 1;
    auto* data = static_cast<uint8_t*>(b.mapped);
    const size_t room = data != nullptr ? std::min<size_t>(b.mappedLength, c.sizeimage) : 0;
    const uint8_t level = uint8_t(48 + (sequence * 16) % 160);
    if (faultEvery(c.faults.errorEvery, n)) b.flags |= V4L2_BUF_FLAG_ERROR;
    if (faultEvery(c.faults.emptyEvery, n)) {
        b.bytesused = 0;
        return;
    }
    if (faultEvery(c.faults.overrunEvery, n)) {
        b.bytesused = c.sizeimage + 65536;
        return;
    }
    if (faultEvery(c.faults.corruptEvery, n)) {
        const size_t bytes = std::min<size_t>(room, 4096);
        for (size_t i = 0; i < bytes; ++i) data[i] = uint8_t(i * 37 + sequence);
        if (bytes >= 2) data[0] = 0xFF, data[1] = 0xD8;  // starts like a JPEG, then is none
        b.bytesused = uint32_t(bytes);
        return;
    }
    if (fmt.fourcc == V4L2_PIX_FMT_MJPEG) {
        b.bytesused = uint32_t(writeGrayJpeg(data, room, size.width, size.height, level));
        return;
    }
    if (fmt.fourcc == V4L2_PIX_FMT_YUYV) {
        const size_t bytes = std::min<size_t>(room, size_t(size.width) * size.height * 2);
        for (size_t i = 0; i + 1 < bytes; i += 2) {
            data[i] = level;
            data[i + 1] = 128;
        }
        b.bytesused = uint32_t(size_t(size.width) * size.height * 2);
        return;
    }
    b.bytesused = 0;
}

// ---------------------------------------------------------------------------------------------
// ioctl

int World::ioctl(int fd, unsigned long request, void* arg, int& err) {
    Locked lock(m_lock);
    const int cam = cameraOfFd(fd);
    if (cam < 0) {
        err = ENODEV;
        return -1;
    }
    Camera& c = m_cameras[cam];
    if (gone(c, nowNs())) {
        err = ENODEV;
        return -1;
    }
    ++c.calls;
    if (faultEvery(c.faults.eintr, c.calls)) {
        err = EINTR;
        return -1;
    }
    if (arg == nullptr) {
        err = EFAULT;
        return -1;
    }
    return videoIoctl(cam, fd, request, arg, err);
}

int World::videoIoctl(int cam, int fd, unsigned long request, void* arg, int& err) {
    Camera& c = m_cameras[cam];
    switch (request) {
        case VIDIOC_QUERYCAP: {
            auto& cap = *static_cast<v4l2_capability*>(arg);
            cap = v4l2_capability{};
            copyText(reinterpret_cast<char*>(cap.driver), sizeof cap.driver, "uvcvideo");
            copyText(reinterpret_cast<char*>(cap.card), sizeof cap.card, c.desc.card);
            std::snprintf(reinterpret_cast<char*>(cap.bus_info), sizeof cap.bus_info,
                          "usb-0000:00:14.0-%s", c.usbSysname + 2);
            cap.version = 0x060100;
            cap.device_caps = V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_STREAMING | V4L2_CAP_EXT_PIX_FORMAT;
            cap.capabilities = cap.device_caps | V4L2_CAP_META_CAPTURE | V4L2_CAP_DEVICE_CAPS;
            return 0;
        }
        case VIDIOC_QUERYCTRL:
        case VIDIOC_QUERYMENU:
        case VIDIOC_G_CTRL:
        case VIDIOC_S_CTRL: return controlIoctl(c, request, arg, err);
        case VIDIOC_ENUM_FMT:
        case VIDIOC_ENUM_FRAMESIZES:
        case VIDIOC_ENUM_FRAMEINTERVALS:
        case VIDIOC_G_FMT:
        case VIDIOC_S_FMT:
        case VIDIOC_TRY_FMT:
        case VIDIOC_G_PARM:
        case VIDIOC_S_PARM:
            if (request == VIDIOC_S_FMT && c.bufferCount > 0) {
                err = EBUSY;
                return -1;
            }
            return formatIoctl(c, request, arg, err);
        case VIDIOC_REQBUFS:
        case VIDIOC_QUERYBUF:
        case VIDIOC_QBUF:
        case VIDIOC_DQBUF:
        case VIDIOC_STREAMON:
        case VIDIOC_STREAMOFF: return bufferIoctl(c, fd, request, arg, err);
        default: err = ENOTTY; return -1;
    }
}

bool World::controlActive(const Camera& c, uint32_t id) const {
    uint32_t master = 0;
    int32_t activeWhen = 0;
    if (!dependsOn(id, master, activeWhen)) return true;
    for (int i = 0; i < c.desc.controlCount; ++i)
        if (c.desc.controls[i].id == master) return c.values[i] == activeWhen;
    return true;
}

int32_t& World::valueOf(Camera& c, const Control& ctl) {
    return c.values[&ctl - c.desc.controls];
}

int World::controlIoctl(Camera& c, unsigned long request, void* arg, int& err) {
    const Description& d = c.desc;
    if (request == VIDIOC_QUERYCTRL) {
        auto& q = *static_cast<v4l2_queryctrl*>(arg);
        const uint32_t next = q.id & (V4L2_CTRL_FLAG_NEXT_CTRL | V4L2_CTRL_FLAG_NEXT_COMPOUND);
        const uint32_t id = q.id & ~(V4L2_CTRL_FLAG_NEXT_CTRL | V4L2_CTRL_FLAG_NEXT_COMPOUND);
        const Control* found = nullptr;
        for (int i = 0; i < d.controlCount; ++i) {
            const Control& k = d.controls[i];
            if (next != 0 ? (k.id > id && (found == nullptr || k.id < found->id)) : k.id == id)
                found = &k;
        }
        if (found == nullptr) {
            err = EINVAL;
            return -1;
        }
        q = v4l2_queryctrl{};
        q.id = found->id;
        q.type = found->type;
        copyText(reinterpret_cast<char*>(q.name), sizeof q.name, found->name);
        q.minimum = found->minimum;
        q.maximum = found->maximum;
        q.step = found->step;
        q.default_value = found->defaultValue;
        uint32_t master = 0;
        int32_t when = 0;
        q.flags = found->flags;
        if (dependsOn(found->id, master, when)) {
            q.flags &= ~V4L2_CTRL_FLAG_INACTIVE;
            if (!controlActive(c, found->id)) q.flags |= V4L2_CTRL_FLAG_INACTIVE;
        }
        return 0;
    }
    if (request == VIDIOC_QUERYMENU) {
        auto& m = *static_cast<v4l2_querymenu*>(arg);
        const Control* k = d.control(m.id);
        if (k != nullptr &&
            (k->type == V4L2_CTRL_TYPE_MENU || k->type == V4L2_CTRL_TYPE_INTEGER_MENU)) {
            for (int i = 0; i < k->menuCount; ++i) {
                if (k->menu[i].index == int32_t(m.index)) {
                    copyText(reinterpret_cast<char*>(m.name), sizeof m.name, k->menu[i].name);
                    return 0;
                }
            }
        }
        err = EINVAL;
        return -1;
    }
    auto& ctl = *static_cast<v4l2_control*>(arg);
    const Control* k = d.control(ctl.id);
    if (k == nullptr) {
        err = EINVAL;
        return -1;
    }
    if (request == VIDIOC_G_CTRL) {
        if (k->flags & V4L2_CTRL_FLAG_WRITE_ONLY) {
            err = EACCES;
            return -1;
        }
        ctl.value = valueOf(c, *k);
        return 0;
    }
    if (k->flags & V4L2_CTRL_FLAG_READ_ONLY) {
        err = EACCES;
        return -1;
    }
    int32_t v = ctl.value;
    if (k->type == V4L2_CTRL_TYPE_MENU || k->type == V4L2_CTRL_TYPE_INTEGER_MENU) {
        bool listed = false;
        for (int i = 0; i < k->menuCount; ++i) listed |= k->menu[i].index == v;
        if (!listed) {
            err = EINVAL;
            return -1;
        }
    } else if (k->type == V4L2_CTRL_TYPE_BOOLEAN) {
        v = v != 0;
    } else if (k->minimum <= k->maximum) {
        v = std::max(k->minimum, std::min(k->maximum, v));
        if (k->step > 1) v = k->minimum + (v - k->minimum) / k->step * k->step;
    }
    valueOf(c, *k) = v;
    ctl.value = v;
    return 0;
}

void World::applyFormat(Camera& c, uint32_t fourcc, uint32_t width, uint32_t height, bool commit,
                        v4l2_pix_format& pix) {
    int f = 0;
    for (int i = 0; i < c.desc.formatCount; ++i)
        if (c.desc.formats[i].fourcc == fourcc) f = i;
    const Format& fmt = c.desc.formats[f];
    int best = 0;
    int64_t bestScore = INT64_MAX;
    for (int i = 0; i < fmt.sizeCount; ++i) {
        const int64_t dw = int64_t(fmt.sizes[i].width) - width;
        const int64_t dh = int64_t(fmt.sizes[i].height) - height;
        const int64_t score = dw * dw + dh * dh;
        if (score < bestScore) best = i, bestScore = score;
    }
    const FrameSize& s = fmt.sizes[best];
    pix = v4l2_pix_format{};
    pix.width = s.width;
    pix.height = s.height;
    pix.pixelformat = fmt.fourcc;
    pix.field = V4L2_FIELD_NONE;
    pix.bytesperline = fmt.fourcc == V4L2_PIX_FMT_YUYV ? s.width * 2 : 0;
    pix.sizeimage = s.width * s.height * 2;
    pix.colorspace = V4L2_COLORSPACE_SRGB;
    if (!commit) return;
    c.format = f;
    c.size = best;
    c.sizeimage = pix.sizeimage;
    c.bytesperline = pix.bytesperline;
    c.interval = s.intervalCount > 0 ? s.intervals[0] : Interval{1, 30};
}

int World::formatIoctl(Camera& c, unsigned long request, void* arg, int& err) {
    const Description& d = c.desc;
    switch (request) {
        case VIDIOC_ENUM_FMT: {
            auto& f = *static_cast<v4l2_fmtdesc*>(arg);
            if (f.type != V4L2_BUF_TYPE_VIDEO_CAPTURE || f.index >= uint32_t(d.formatCount)) break;
            const Format& fmt = d.formats[f.index];
            f.flags = fmt.fourcc == V4L2_PIX_FMT_MJPEG ? V4L2_FMT_FLAG_COMPRESSED : 0;
            f.pixelformat = fmt.fourcc;
            copyText(reinterpret_cast<char*>(f.description), sizeof f.description, fmt.description);
            return 0;
        }
        case VIDIOC_ENUM_FRAMESIZES: {
            auto& s = *static_cast<v4l2_frmsizeenum*>(arg);
            for (int i = 0; i < d.formatCount; ++i) {
                const Format& fmt = d.formats[i];
                if (fmt.fourcc != s.pixel_format || s.index >= uint32_t(fmt.sizeCount)) continue;
                s.type = V4L2_FRMSIZE_TYPE_DISCRETE;
                s.discrete.width = fmt.sizes[s.index].width;
                s.discrete.height = fmt.sizes[s.index].height;
                return 0;
            }
            break;
        }
        case VIDIOC_ENUM_FRAMEINTERVALS: {
            auto& v = *static_cast<v4l2_frmivalenum*>(arg);
            for (int i = 0; i < d.formatCount; ++i) {
                const Format& fmt = d.formats[i];
                if (fmt.fourcc != v.pixel_format) continue;
                for (int j = 0; j < fmt.sizeCount; ++j) {
                    const FrameSize& s = fmt.sizes[j];
                    if (s.width != v.width || s.height != v.height) continue;
                    if (v.index >= uint32_t(s.intervalCount)) break;
                    v.type = V4L2_FRMIVAL_TYPE_DISCRETE;
                    v.discrete.numerator = s.intervals[v.index].numerator;
                    v.discrete.denominator = s.intervals[v.index].denominator;
                    return 0;
                }
            }
            break;
        }
        case VIDIOC_G_FMT:
        case VIDIOC_S_FMT:
        case VIDIOC_TRY_FMT: {
            auto& f = *static_cast<v4l2_format*>(arg);
            if (f.type != V4L2_BUF_TYPE_VIDEO_CAPTURE) break;
            if (request == VIDIOC_G_FMT) {
                const FrameSize& s = d.formats[c.format].sizes[c.size];
                applyFormat(c, d.formats[c.format].fourcc, s.width, s.height, false, f.fmt.pix);
                return 0;
            }
            v4l2_pix_format pix{};
            applyFormat(c, f.fmt.pix.pixelformat, f.fmt.pix.width, f.fmt.pix.height,
                        request == VIDIOC_S_FMT, pix);
            f.fmt.pix = pix;
            return 0;
        }
        case VIDIOC_G_PARM:
        case VIDIOC_S_PARM: {
            auto& p = *static_cast<v4l2_streamparm*>(arg);
            if (p.type != V4L2_BUF_TYPE_VIDEO_CAPTURE) break;
            if (request == VIDIOC_S_PARM) {
                const v4l2_fract want = p.parm.capture.timeperframe;
                const FrameSize& s = d.formats[c.format].sizes[c.size];
                int best = -1;
                double bestGap = 0;
                for (int i = 0; i < s.intervalCount; ++i) {
                    if (s.intervals[i].denominator == 0 || want.denominator == 0) continue;
                    const double gap =
                        std::abs(double(s.intervals[i].numerator) / s.intervals[i].denominator -
                                 double(want.numerator) / want.denominator);
                    if (best < 0 || gap < bestGap) best = i, bestGap = gap;
                }
                if (best >= 0) c.interval = s.intervals[best];
            }
            p.parm.capture = v4l2_captureparm{};
            p.parm.capture.capability = V4L2_CAP_TIMEPERFRAME;
            p.parm.capture.timeperframe.numerator = c.interval.numerator;
            p.parm.capture.timeperframe.denominator = c.interval.denominator;
            p.parm.capture.readbuffers = 0;
            return 0;
        }
        default: break;
    }
    err = EINVAL;
    return -1;
}

int World::bufferIoctl(Camera& c, int fd, unsigned long request, void* arg, int& err) {
    if (c.owner >= 0 && c.owner != fd && request != VIDIOC_QUERYBUF) {
        err = EBUSY;
        return -1;
    }
    switch (request) {
        case VIDIOC_REQBUFS: {
            auto& r = *static_cast<v4l2_requestbuffers*>(arg);
            if (r.type != V4L2_BUF_TYPE_VIDEO_CAPTURE || r.memory != V4L2_MEMORY_MMAP) break;
            if (c.streaming) {
                err = EBUSY;
                return -1;
            }
            releaseBuffers(c);
            r.count = std::min<uint32_t>(r.count, kMaxBuffers);
            c.bufferCount = int(r.count);
            c.owner = r.count > 0 ? fd : -1;
            r.capabilities = V4L2_BUF_CAP_SUPPORTS_MMAP;
            return 0;
        }
        case VIDIOC_QUERYBUF:
        case VIDIOC_QBUF: {
            auto& b = *static_cast<v4l2_buffer*>(arg);
            if (b.type != V4L2_BUF_TYPE_VIDEO_CAPTURE || b.index >= uint32_t(c.bufferCount)) break;
            Buffer& buf = c.buffers[b.index];
            if (request == VIDIOC_QBUF) {
                if (buf.queued || buf.done) break;
                buf.queued = true;
                buf.order = c.nextOrder++;
            }
            b.length = c.sizeimage;
            b.m.offset = b.index << kOffsetShift;
            b.flags = (buf.queued ? V4L2_BUF_FLAG_QUEUED : 0) |
                      (buf.done ? V4L2_BUF_FLAG_DONE : 0) | V4L2_BUF_FLAG_TIMESTAMP_MONOTONIC;
            return 0;
        }
        case VIDIOC_DQBUF: {
            auto& b = *static_cast<v4l2_buffer*>(arg);
            if (b.type != V4L2_BUF_TYPE_VIDEO_CAPTURE) break;
            return dequeue(c, fd, b, err);
        }
        case VIDIOC_STREAMON:
        case VIDIOC_STREAMOFF: {
            if (*static_cast<int*>(arg) != V4L2_BUF_TYPE_VIDEO_CAPTURE) break;
            if (request == VIDIOC_STREAMOFF) {
                c.streaming = false;
                for (int i = 0; i < c.bufferCount; ++i)
                    c.buffers[i].queued = c.buffers[i].done = false;
                return 0;
            }
            if (c.bufferCount == 0) break;
            if (c.streaming) return 0;
            if (c.streamonFailures < c.faults.enospc) {
                ++c.streamonFailures;
                err = ENOSPC;
                return -1;
            }
            c.streaming = true;
            ++c.streamons;
            c.nextCaptureNs = nowNs() + intervalNs(c);
            return 0;
        }
        default: break;
    }
    err = EINVAL;
    return -1;
}

int World::dequeue(Camera& c, int fd, v4l2_buffer& b, int& err) {
    for (;;) {
        if (!c.streaming) {
            err = EINVAL;
            return -1;
        }
        const int64_t now = nowNs();
        advance(c, now);
        const int slot = doneBuffer(c);
        if (slot >= 0) {
            ++c.dequeues;
            if (faultEvery(c.faults.eagain, c.dequeues)) {
                err = EAGAIN;
                return -1;
            }
            if (c.faults.unplugAfter > 0 && c.frames + 1 >= c.faults.unplugAfter) {
                unplugLocked(int(&c - m_cameras), now);
                gone(c, now);
                err = ENODEV;
                return -1;
            }
            Buffer& buf = c.buffers[slot];
            buf.done = false;
            ++c.frames;
            b.index = uint32_t(slot);
            b.bytesused = buf.bytesused;
            b.flags = buf.flags;
            b.field = V4L2_FIELD_NONE;
            b.sequence = buf.sequence;
            b.timestamp.tv_sec = buf.stampNs / 1'000'000'000;
            b.timestamp.tv_usec = (buf.stampNs % 1'000'000'000) / 1000;
            b.length = c.sizeimage;
            b.m.offset = uint32_t(slot) << kOffsetShift;
            return 0;
        }
        if (m_fdNonblock[fd]) {
            err = EAGAIN;
            return -1;
        }
        // A blocking descriptor waits for the next frame, without holding the others up.
        const int64_t wait = std::max<int64_t>(c.nextCaptureNs - now, kMs);
        pthread_mutex_unlock(&m_lock);
        const timespec ts{time_t(wait / 1'000'000'000), long(wait % 1'000'000'000)};
        ::nanosleep(&ts, nullptr);
        pthread_mutex_lock(&m_lock);
        if (gone(c, nowNs())) {
            err = ENODEV;
            return -1;
        }
    }
}

// ---------------------------------------------------------------------------------------------
// poll

int World::pollFake(pollfd* fds, unsigned n, int64_t& waitNs, int& err) {
    Locked lock(m_lock);
    const int64_t now = nowNs();
    int ready = 0;
    for (unsigned i = 0; i < n; ++i) {
        pollfd& p = fds[i];
        if (isMonitorFd(p.fd)) {
            const int slot = m_fdMonitor[p.fd].load() - 1;
            for (int e = 0; e < m_eventCount; ++e) {
                const Event& ev = m_events[e];
                if (!eventMatches(m_monitors[slot], ev) || (ev.deliveredTo & (1u << slot)))
                    continue;
                if (ev.atNs <= now)
                    p.revents = short(p.events & POLLIN);
                else
                    waitNs = std::min(waitNs, ev.atNs - now);
            }
        } else {
            const int cam = cameraOfFd(p.fd);
            if (cam == kNotOurs) continue;
            if (cam < 0 || gone(m_cameras[cam], now)) {
                p.revents = POLLERR | POLLHUP;
            } else {
                Camera& c = m_cameras[cam];
                ++c.calls;
                if (faultEvery(c.faults.eintr, c.calls)) {
                    err = EINTR;
                    return -1;
                }
                if (!c.streaming || c.owner != p.fd) {
                    p.revents = POLLERR;
                } else {
                    advance(c, now);
                    if (doneBuffer(c) >= 0)
                        p.revents = short(p.events & (POLLIN | POLLRDNORM));
                    else
                        waitNs = std::min(waitNs, std::max<int64_t>(c.nextCaptureNs - now, 0));
                    if (c.unplugAtNs != kNever)
                        waitNs = std::min(waitNs, std::max<int64_t>(c.unplugAtNs - now, 0));
                }
            }
        }
        if (p.revents != 0) ++ready;
    }
    return ready;
}

}  // namespace fakeuvc
