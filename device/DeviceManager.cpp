#include "DeviceManager.h"
#include "platform/MessageIds.h"

#include "platform/Log.h"
#include "platform/Message.h"

#include <algorithm>

namespace {

constexpr char kBoardIds[] = "VID_0483&PID_5851";

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

// The part of an interface name that says which device, interface and collection it is:
// "VID_0483&PID_5851&MI_01&COL01" in \\?\HID#VID_0483&PID_5851&MI_01&COL01#...#{...}.
QString hardwarePart(const QString& upper) {
    const qsizetype at = upper.indexOf(QLatin1String("HID#"));
    if (at < 0) return upper;
    const qsizetype from = at + 4;
    const qsizetype end = upper.indexOf('#', from);
    return upper.mid(from, end < 0 ? -1 : end - from);
}

// The collection a board is driven through: the first of an interface that has several, or the
// only one of a board that is one interface with one collection. A single-collection interface
// of a composite device (MI_xx) is another function of it, not the board.
bool isBoardCollection(const QString& upper) {
    const QString part = hardwarePart(upper);
    if (part.contains(QLatin1String("COL01"))) return true;
    return !part.contains(QLatin1String("&COL")) && !part.contains(QLatin1String("&MI_"));
}

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

bool DeviceManager::Listed(const Record& record) const {
    return record && std::find(devices.begin(), devices.end(), record) != devices.end();
}

DeviceManager::Record DeviceManager::RecordAt(int index) {
    std::lock_guard g(m_lock);
    return ValidIndex(index) ? devices[static_cast<size_t>(index)] : nullptr;
}

std::vector<DeviceManager::Record> DeviceManager::Snapshot() {
    std::lock_guard g(m_lock);
    return devices;
}

std::vector<DeviceManager::Record> DeviceManager::DropMatching(const QString& upperNeedle) {
    std::vector<Record> dropped;
    std::erase_if(devices, [&](const Record& d) {
        if (!d->path.toUpper().contains(upperNeedle)) return false;
        dropped.push_back(d);
        return true;
    });
    return dropped;
}

// Called outside the list lock: letting a handle go may wait for a write still under way.
void DeviceManager::CloseUnlisted(const std::vector<Record>& records) {
    for (const Record& r : records) r->Close();
}

int DeviceManager::SendCommand(const Record& record, uint8_t command) {
    int n = 0;
    {
        std::lock_guard g(m_lock);
        if (!Listed(record)) return 0;
        n = record->WriteCommand(command);
    }
    if (n > 0) m_clock.sleepMs(TouchDevice::kCommandPauseMs);
    return n;
}

int DeviceManager::EnumDevices() {
    ListChange change(listReady);
    std::vector<Record> dropped;
    {
        std::lock_guard g(m_lock);
        dropped = DropMatching(QString::fromLatin1(kBoardIds));
    }
    CloseUnlisted(dropped);
    std::lock_guard g(m_lock);
    for (const platform::hid::HidInterface& i : m_transport.enumerate()) {
        if (i.vendorId != kVendorId || i.productId != kProductId ||
            !isBoardCollection(i.path.toUpper()))
            continue;
        // The probe weeds out interfaces this user may not open.
        if (m_transport.open(i.path))
            devices.push_back(std::make_shared<TouchDevice>(i.path, m_transport, m_clock));
    }
    return static_cast<int>(devices.size());
}

std::vector<QString> DeviceManager::FindArrived(const QString& upperNeedle) {
    std::vector<QString> found;
    for (const platform::hid::HidInterface& i : m_transport.enumerate()) {
        const QString upper = i.path.toUpper();
        if (!upper.contains(upperNeedle) || !isBoardCollection(upper)) continue;
        if (m_transport.open(i.path)) found.push_back(i.path);
    }
    return found;
}

// New boards are opened before they join the list: their pauses hold no lock, and no pass can
// read a board that is still being told "A".
int DeviceManager::AddDevice(const QString& path) {
    ListChange change(listReady);
    const QString needle = path.toUpper();
    if (needle.isEmpty()) return GetDeviceCount();
    std::vector<Record> dropped;
    {
        std::lock_guard g(m_lock);
        dropped = DropMatching(needle);
    }
    CloseUnlisted(dropped);
    std::vector<Record> added;
    for (const QString& p : FindArrived(needle)) {
        added.push_back(std::make_shared<TouchDevice>(p, m_transport, m_clock));
        added.back()->Open();
    }
    std::lock_guard g(m_lock);
    devices.insert(devices.end(), added.begin(), added.end());
    return static_cast<int>(devices.size());
}

int DeviceManager::RemoveDevice(const QString& path) {
    ListChange change(listReady);
    m_clock.sleepMs(kRemovalPauseMs);
    const QString upper = path.toUpper();
    Record found;
    int index = -1;
    {
        std::lock_guard g(m_lock);
        for (size_t k = 0; k < devices.size() && !found; ++k) {
            if (devices[k]->path.toUpper() != upper) continue;
            found = devices[k];
            index = static_cast<int>(k);
        }
    }
    if (!found) return -1;
    SendCommand(found, TouchDevice::kCommandE);
    {
        std::lock_guard g(m_lock);
        // Dropped during the pause: whoever dropped it closes it.
        if (!Listed(found)) return index;
        std::erase(devices, found);
    }
    // The index the record had when it was found.
    found->Close();
    return index;
}

void DeviceManager::DropDevice(int index) {
    Record dropped;
    {
        std::lock_guard g(m_lock);
        if (!ValidIndex(index)) return;
        dropped = devices[static_cast<size_t>(index)];
        devices.erase(devices.begin() + index);
    }
    // Outside the lock: closing may wait for a write still under way.
    dropped->Close();
}

QString DeviceManager::GetDeviceId(int index) {
    std::lock_guard g(m_lock);
    return ValidIndex(index) ? devices[static_cast<size_t>(index)]->id : QString();
}

void DeviceManager::SendCommandD(int index) {
    if (Record r = RecordAt(index)) SendCommand(r, TouchDevice::kCommandD);
}

int DeviceManager::WriteCommand(int index, uint8_t command) {
    std::lock_guard g(m_lock);
    return ValidIndex(index) ? devices[static_cast<size_t>(index)]->WriteCommand(command) : 0;
}

int DeviceManager::GetDeviceCount() {
    std::lock_guard g(m_lock);
    return static_cast<int>(devices.size());
}

// A listed board is opened as a copy outside the list and takes its place when done (as an
// open anew would replace its handle), so its pauses hold no lock.
void DeviceManager::OpenInPlace(const Record& record) {
    QString path;
    {
        std::lock_guard g(m_lock);
        if (!Listed(record)) return;
        path = record->path;
    }
    TouchDevice opened(path, m_transport, m_clock);
    opened.Open();
    // The record's old state leaves with `opened`, after the lock.
    std::lock_guard g(m_lock);
    if (Listed(record)) std::swap(*record, opened);
}

void DeviceManager::OpenAll() {
    for (const Record& r : Snapshot()) {
        OpenInPlace(r);
        SendCommand(r, TouchDevice::kCommandD);
    }
}

void DeviceManager::CloseAll() {
    for (const Record& r : Snapshot()) {
        SendCommand(r, TouchDevice::kCommandE);
        std::unique_ptr<platform::hid::HidHandle> closing;
        std::lock_guard g(m_lock);
        if (Listed(r)) closing = std::move(r->handle);
    }
}

void DeviceManager::Queue(std::function<void()> work) {
    std::lock_guard g(m_queueLock);
    if (stopRequested) return;
    m_queue.push_back(std::move(work));
}

void DeviceManager::QueueArrival(const QString& path, ArrivalDone done) {
    Queue([this, path, done = std::move(done)] {
        const int before = GetDeviceCount();
        const int after = AddDevice(path);
        if (after > 0) SendCommandD(after - 1);
        if (done) m_sink.post([done, before, after] { done(before, after); });
    });
}

void DeviceManager::QueueRemoval(const QString& path, RemovalDone done) {
    Queue([this, path, done = std::move(done)] {
        const int index = RemoveDevice(path);
        const int left = GetDeviceCount();
        if (done) m_sink.post([done, index, left] { done(index, left); });
    });
}

void DeviceManager::QueueCommandD(int index) {
    Queue([this, index] { SendCommandD(index); });
}

void DeviceManager::RunQueuedWork() {
    while (!stopRequested) {
        std::function<void()> work;
        {
            std::lock_guard g(m_queueLock);
            if (m_queue.empty()) return;
            work = std::move(m_queue.front());
            m_queue.pop_front();
        }
        work();
    }
}

void DeviceManager::StartReadingThread() {
    thread.start([this] { ReadingThread(); }, [this] { CloseAll(); });
}

void DeviceManager::Shutdown() {
    m_sink.close();
    {
        std::lock_guard g(m_queueLock);
        stopRequested = true;
        m_queue.clear();
    }
    if (!thread.joinable()) return;
    thread.join();
    // The thread's last act was releasing the list lock; taking it once makes that visible to
    // whoever frees the manager next (QThread's own wait is a futex the sanitizer cannot see;
    // the worker's join is not, but the lock costs nothing and keeps that true whatever joins).
    std::lock_guard g(m_lock);
}

// Everything the board has queued, so a burst of other reports cannot hold a key back for
// more than one pass; only the first read waits.
void DeviceManager::DrainBoard(size_t index, std::vector<uint8_t>& buffer) {
    TouchDevice& d = *devices[index];
    int timeout = TouchDevice::kReadTimeoutMs;
    for (int k = 0; k < kMaxReportsPerPass; ++k) {
        const int n = d.ReadReport(buffer, timeout);
        if (buffer[0] == TouchDevice::kReportF1 && buffer[1] == TouchDevice::kKeyReport &&
            owner != nullptr)
            platform::postMessage(owner, msg::kKey, index, buffer[3]);
        if (n <= 0) return;
        timeout = 0;
    }
}

void DeviceManager::ReadingPass(std::vector<uint8_t>& buffer) {
    std::lock_guard g(m_lock);
    for (size_t i = 0; i < devices.size(); ++i) DrainBoard(i, buffer);
}

void DeviceManager::ReadingThread() {
    OpenAll();
    std::vector<uint8_t> buffer;
    while (!stopRequested) {
        RunQueuedWork();
        if (stopRequested) break;
        if (listReady == 1) {
            ReadingPass(buffer);
            m_clock.sleepMs(kPassPauseMs);
        } else {
            m_clock.sleepMs(kNotReadyPauseMs);
        }
    }
    CloseAll();
}
