#pragma once
// Everything the fake cameras are: their descriptions, the script's timeline and faults, each
// camera's stream, and which descriptors and udev monitors belong to the fake. One instance per
// process, because the calls it answers are the process's own system calls.
#include "Description.h"

#include <linux/videodev2.h>
#include <poll.h>
#include <pthread.h>

#include <atomic>
#include <cstdint>

namespace fakeuvc {

constexpr int kMaxCameras = 4;
constexpr int kMaxBuffers = 8;
constexpr int kMaxFds = 4096;
constexpr int kMaxEvents = 64;
constexpr int kMaxMonitors = 8;
constexpr int kMaxProperties = 32;
constexpr int64_t kNever = INT64_MAX;
constexpr uint32_t kOffsetShift = 26;  // buffer i is mapped at offset i << kOffsetShift

struct Faults {
    int intervalMs = 0;    // frames this far apart, whatever the interval set
    int lateMs = 0;        // each frame stamped this long before it is ready
    int eintr = 0;         // every nth call on the camera fails with EINTR
    int eagain = 0;        // every nth DQBUF with a frame ready fails with EAGAIN
    int errorEvery = 0;    // every nth frame carries V4L2_BUF_FLAG_ERROR
    int corruptEvery = 0;  // every nth frame is no JPEG at all
    int overrunEvery = 0;  // every nth frame claims more bytes than its buffer holds
    int emptyEvery = 0;    // every nth frame has no bytes
    int enospc = 0;        // the first n STREAMONs fail with ENOSPC
    int unplugAfter = 0;   // the camera vanishes inside the DQBUF of frame n
};

struct Buffer {
    bool queued = false;
    bool done = false;
    uint64_t order = 0;  // when it was queued, then when it was filled
    uint32_t sequence = 0;
    int64_t stampNs = 0;
    uint32_t bytesused = 0;
    uint32_t flags = 0;
    void* mapped = nullptr;
    size_t mappedLength = 0;
};

// A udev list entry or device the fake hands out; the program sees them as opaque pointers.
struct ListEntry {
    const char* name = nullptr;
    const char* value = nullptr;
    ListEntry* next = nullptr;
};

enum class DeviceKind { None, Node, Usb };

struct FakeDevice {
    DeviceKind kind = DeviceKind::None;
    int camera = -1;
    const char* action = nullptr;  // for a monitor's event
    int propertyCount = 0;
    ListEntry properties[kMaxProperties];
    char text[3072] = {};  // the properties' names and values
};

enum class EventKind { UsbAdd, UsbRemove, NodeAdd, NodeRemove };

struct Event {
    int64_t atNs = 0;
    EventKind kind = EventKind::UsbAdd;
    int camera = 0;
    uint32_t deliveredTo = 0;  // one bit per monitor
    FakeDevice device;
};

struct Camera {
    char node[32] = {};
    char syspath[256] = {};
    char usbSyspath[128] = {};
    char usbSysname[16] = {};
    char idPath[64] = {};
    char serial[kTextLength] = {};
    Description desc;
    Faults faults;
    int64_t nodeAtNs = 0;
    int64_t rightsAtNs = 0;
    int64_t unplugAtNs = kNever;
    bool unplugged = false;

    int format = 0;
    int size = 0;
    Interval interval;
    uint32_t sizeimage = 0;
    uint32_t bytesperline = 0;
    int owner = -1;  // the descriptor that holds the buffers
    int bufferCount = 0;
    Buffer buffers[kMaxBuffers];
    uint64_t nextOrder = 1;
    bool streaming = false;
    int64_t nextCaptureNs = 0;
    uint32_t sequence = 0;
    int32_t values[kMaxControls] = {};

    long streamons = 0;
    long frames = 0;
    long opens = 0;
    long openFds = 0;
    long dropped = 0;
    long calls = 0;
    long dequeues = 0;
    long streamonFailures = 0;

    FakeDevice nodeDevice;
    FakeDevice usbDevice;
    ListEntry enumEntry;
};

struct Monitor {
    void* handle = nullptr;  // the real udev_monitor
    int fd = -1;
    bool usb = false;
    bool video = false;
    bool filtered = false;
};

class World {
public:
    static World& get();

    int load(const char* scriptPath);
    void unplug(const char* node);
    long stat(const char* node, const char* what);

    bool active() const { return m_active.load(std::memory_order_acquire); }
    // The camera behind a descriptor: index, -1 for a descriptor of a camera that is gone, or
    // kNotOurs.
    static constexpr int kNotOurs = -2;
    int cameraOfFd(int fd) const;
    bool isMonitorFd(int fd) const;
    bool anyMapped() const { return m_mapped.load(std::memory_order_acquire) > 0; }

    // The calls, each with the errno it would set (0 on success).
    int open(const char* path, int flags, int& err);
    void close(int fd);
    int ioctl(int fd, unsigned long request, void* arg, int& err);
    void* mmap(void* addr, size_t length, int prot, int fd, off_t offset, int& err);
    void munmap(void* addr);
    // Fills revents of the fake descriptors; the number ready, -1 with EINTR, and the longest
    // the caller may wait before asking again.
    int pollFake(pollfd* fds, unsigned n, int64_t& waitNs, int& err);

    // udev.
    bool isFake(const void* p) const;
    const Camera* cameraFor(const FakeDevice* d) const {
        return d != nullptr && d->camera >= 0 && d->camera < kMaxCameras ? &m_cameras[d->camera]
                                                                         : nullptr;
    }
    ListEntry* enumerationList();
    FakeDevice* deviceAt(const char* syspath);
    FakeDevice* parentOf(const FakeDevice* d, const char* subsystem, const char* devtype);
    const char* attribute(const FakeDevice* d, const char* name);
    void noteEnumeration(void* enumeration, const char* subsystem);
    bool isVideoEnumeration(void* enumeration) const;
    void forgetEnumeration(void* enumeration);
    int monitorFd(void* monitor, int realFd);
    void monitorFilter(void* monitor, const char* subsystem);
    FakeDevice* receive(void* monitor);
    void forgetMonitor(void* monitor);

    static int64_t nowNs();

private:
    World();
    int findCamera(const char* node) const;
    bool parseScript(const char* path);
    void setUpCamera(Camera& c, int index);
    void buildDevices(Camera& c);
    void buildEventDevice(Event& e);
    void describe(FakeDevice& d, const Camera& c, DeviceKind kind, const char* action);
    void addEvent(int64_t atNs, EventKind kind, int camera);
    void unplugLocked(int camera, int64_t atNs);
    bool gone(Camera& c, int64_t now);
    bool faultEvery(int every, long count) const { return every > 0 && count % every == 0; }

    int videoIoctl(int cam, int fd, unsigned long request, void* arg, int& err);
    int controlIoctl(Camera& c, unsigned long request, void* arg, int& err);
    int formatIoctl(Camera& c, unsigned long request, void* arg, int& err);
    int bufferIoctl(Camera& c, int fd, unsigned long request, void* arg, int& err);
    int dequeue(Camera& c, int fd, v4l2_buffer& b, int& err);
    void applyFormat(Camera& c, uint32_t fourcc, uint32_t width, uint32_t height, bool commit,
                     v4l2_pix_format& pix);
    void releaseBuffers(Camera& c);
    void advance(Camera& c, int64_t now);
    void capture(Camera& c, int64_t atNs);
    void fillFrame(Camera& c, Buffer& b, uint32_t sequence);
    int64_t intervalNs(const Camera& c) const;
    int doneBuffer(const Camera& c) const;
    bool controlActive(const Camera& c, uint32_t id) const;
    int32_t& valueOf(Camera& c, const Control& ctl);
    bool eventMatches(const Monitor& m, const Event& e) const;
    int monitorSlot(void* monitor) const;

    mutable pthread_mutex_t m_lock = PTHREAD_MUTEX_INITIALIZER;
    std::atomic<bool> m_active{false};
    std::atomic<int> m_mapped{0};
    int64_t m_t0 = 0;
    int m_cameraCount = 0;
    Camera m_cameras[kMaxCameras];
    int m_eventCount = 0;
    Event m_events[kMaxEvents];
    Monitor m_monitors[kMaxMonitors];
    static constexpr int kMaxEnumerations = 16;
    void* m_videoEnumerations[kMaxEnumerations] = {};
    std::atomic<int8_t> m_fdCamera[kMaxFds] = {};  // camera + 1, -1 for one gone, 0 not ours
    std::atomic<int8_t> m_fdMonitor[kMaxFds] = {};
    bool m_fdNonblock[kMaxFds] = {};
};

// Holds the world's lock for a scope.
class Locked {
public:
    explicit Locked(pthread_mutex_t& m) : m_m(m) { pthread_mutex_lock(&m_m); }
    ~Locked() { pthread_mutex_unlock(&m_m); }
    Locked(const Locked&) = delete;
    Locked& operator=(const Locked&) = delete;

private:
    pthread_mutex_t& m_m;
};

}  // namespace fakeuvc
