#include "DeviceManager.h"
#include "platform/MessageIds.h"

#include "platform/Log.h"
#include "platform/Message.h"

namespace {

constexpr char kBoardIds[] = "VID_0483&PID_5851";
constexpr char kFirstCollection[] = "COL01";

// Clears listReady for the lifetime of one change of the list.
class ListChange {
public:
    explicit ListChange(std::atomic<int>& ready) : m_ready(ready) { m_ready = 0; }
    ~ListChange() { m_ready = 1; }
    ListChange(const ListChange&) = delete;
    ListChange& operator=(const ListChange&) = delete;

private:
    std::atomic<int>& m_ready;
};

}  // namespace

DeviceManager::DeviceManager(QObject* owner, platform::hid::HidTransport& transport,
                             platform::Clock& clock)
    : owner(owner),
      m_transport(transport),
      m_clock(clock),
      thread(platform::log::board(), QStringLiteral("The button boards' reading thread")) {}

DeviceManager::~DeviceManager() {
    Shutdown();
}

bool DeviceManager::ValidIndex(int index) const {
    return index >= 0 && static_cast<size_t>(index) < devices.size();
}

void DeviceManager::DropMatching(const QString& upperNeedle) {
    // Erasing closes the handle with the record.
    std::erase_if(devices,
                  [&](const TouchDevice& d) { return d.path.toUpper().contains(upperNeedle); });
}

int DeviceManager::EnumDevices() {
    ListChange change(listReady);
    std::lock_guard g(m_lock);
    DropMatching(QString::fromLatin1(kBoardIds));
    for (const platform::hid::HidInterface& i : m_transport.enumerate()) {
        if (i.vendorId != kVendorId || i.productId != kProductId ||
            !i.path.toUpper().contains(QLatin1String(kFirstCollection)))
            continue;
        // The probe weeds out interfaces this user may not open.
        if (m_transport.open(i.path)) devices.emplace_back(i.path, m_transport, m_clock);
    }
    return static_cast<int>(devices.size());
}

int DeviceManager::AddDevice(const QString& path) {
    ListChange change(listReady);
    std::lock_guard g(m_lock);
    const QString needle = path.toUpper();
    if (needle.isEmpty()) return static_cast<int>(devices.size());
    DropMatching(needle);
    const size_t first = devices.size();
    for (const platform::hid::HidInterface& i : m_transport.enumerate()) {
        const QString upper = i.path.toUpper();
        if (!upper.contains(needle) || !upper.contains(QLatin1String(kFirstCollection))) continue;
        if (m_transport.open(i.path)) devices.emplace_back(i.path, m_transport, m_clock);
    }
    for (size_t k = first; k < devices.size(); ++k) devices[k].Open();
    return static_cast<int>(devices.size());
}

int DeviceManager::RemoveDevice(const QString& path) {
    ListChange change(listReady);
    m_clock.sleepMs(kRemovalPauseMs);
    std::lock_guard g(m_lock);
    const QString upper = path.toUpper();
    for (size_t k = 0; k < devices.size(); ++k) {
        if (devices[k].path.toUpper() != upper) continue;
        devices[k].SendCommand(TouchDevice::kCommandE);
        devices.erase(devices.begin() + static_cast<std::ptrdiff_t>(k));
        return static_cast<int>(k);
    }
    return -1;
}

void DeviceManager::DropDevice(int index) {
    std::lock_guard g(m_lock);
    if (ValidIndex(index)) devices.erase(devices.begin() + index);
}

QString DeviceManager::GetDeviceId(int index) {
    std::lock_guard g(m_lock);
    return ValidIndex(index) ? devices[static_cast<size_t>(index)].id : QString();
}

void DeviceManager::SendCommandD(int index) {
    std::lock_guard g(m_lock);
    if (ValidIndex(index)) devices[static_cast<size_t>(index)].SendCommand(TouchDevice::kCommandD);
}

int DeviceManager::WriteCommand(int index, uint8_t command) {
    std::lock_guard g(m_lock);
    return ValidIndex(index) ? devices[static_cast<size_t>(index)].WriteCommand(command) : 0;
}

int DeviceManager::GetDeviceCount() {
    std::lock_guard g(m_lock);
    return static_cast<int>(devices.size());
}

void DeviceManager::OpenAll() {
    std::lock_guard g(m_lock);
    for (TouchDevice& d : devices) {
        d.Open();
        d.SendCommand(TouchDevice::kCommandD);
    }
}

void DeviceManager::CloseAll() {
    std::lock_guard g(m_lock);
    for (TouchDevice& d : devices) {
        d.SendCommand(TouchDevice::kCommandE);
        d.Close();
    }
}

void DeviceManager::StartReadingThread() {
    thread.start([this] { ReadingThread(); }, [this] { CloseAll(); });
}

void DeviceManager::Shutdown() {
    stopRequested = true;
    if (!thread.joinable()) return;
    thread.join();
    // The thread's last act was releasing the list lock; taking it once makes that visible to
    // whoever frees the manager next (QThread's own wait is a futex the sanitizer cannot see;
    // the worker's join is not, but the lock costs nothing and keeps that true whatever joins).
    std::lock_guard g(m_lock);
}

void DeviceManager::ReadingPass(std::vector<uint8_t>& buffer) {
    std::lock_guard g(m_lock);
    for (size_t i = 0; i < devices.size(); ++i) {
        devices[i].ReadReport(buffer);
        if (buffer[0] == TouchDevice::kReportF1 && buffer[1] == TouchDevice::kKeyReport &&
            owner != nullptr)
            platform::postMessage(owner, msg::kKey, i, buffer[3]);
    }
}

void DeviceManager::ReadingThread() {
    OpenAll();
    std::vector<uint8_t> buffer;
    while (!stopRequested) {
        if (listReady == 1) {
            ReadingPass(buffer);
            m_clock.sleepMs(kPassPauseMs);
        } else {
            m_clock.sleepMs(kNotReadyPauseMs);
        }
    }
    CloseAll();
}
