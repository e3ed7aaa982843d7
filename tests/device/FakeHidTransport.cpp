#include "FakeHidTransport.h"

#include "platform/hid/InterfaceName.h"

#include <algorithm>
#include <cstring>

namespace testsupport {

namespace {

class FakeHandle : public platform::hid::HidHandle {
public:
    FakeHandle(FakeHidTransport& t, QString path, uint64_t generation)
        : m_t(t), m_path(std::move(path)), m_generation(generation) {}
    std::optional<platform::hid::HidCaps> capabilities() override { return m_t.caps(m_path); }
    int read(uint8_t* buf, size_t len, int timeoutMs) override {
        return m_t.read(m_path, m_generation, buf, len, timeoutMs);
    }
    int write(const uint8_t* buf, size_t len, int) override {
        return m_t.write(m_path, m_generation, buf, len);
    }

private:
    FakeHidTransport& m_t;
    QString m_path;
    uint64_t m_generation;
};

}  // namespace

QString boardPath(const QString& instance, int collection) {
    return platform::hid::hidInterfaceName(0x0483, 0x5851, collection, instance);
}

void FakeHidTransport::plug(const QString& path, FakeBoardSetup setup) {
    std::lock_guard g(m_mutex);
    if (!m_boards.count(path)) m_order.push_back(path);
    Board& b = m_boards[path];
    b = Board{};
    b.setup = setup;
    b.generation = m_nextGeneration++;
}

void FakeHidTransport::unplug(const QString& path) {
    std::lock_guard g(m_mutex);
    m_boards[path].present = false;
    m_boards[path].generation = m_nextGeneration++;
}

void FakeHidTransport::setOpenable(const QString& path, bool openable) {
    std::lock_guard g(m_mutex);
    m_boards[path].setup.openable = openable;
}

void FakeHidTransport::push(const QString& path, std::vector<uint8_t> report) {
    std::lock_guard g(m_mutex);
    m_boards[path].reports.push_back(std::move(report));
}

void FakeHidTransport::pressKey(const QString& path, uint8_t type) {
    std::vector<uint8_t> r(64, 0);
    r[0] = 0xF1;
    r[1] = 0x91;
    r[3] = type;
    push(path, r);
}

void FakeHidTransport::pushIdentification(const QString& path, std::array<uint8_t, 4> id) {
    std::vector<uint8_t> r(64, 0);
    r[0] = 0xF1;
    std::copy(id.begin(), id.end(), r.begin() + 5);
    push(path, r);
}

std::string FakeHidTransport::commands(const QString& path) {
    std::lock_guard g(m_mutex);
    std::string out;
    for (const auto& w : m_boards[path].writes) out += w.size() > 1 ? static_cast<char>(w[1]) : '?';
    return out;
}

std::vector<std::vector<uint8_t>> FakeHidTransport::writes(const QString& path) {
    std::lock_guard g(m_mutex);
    return m_boards[path].writes;
}

std::vector<int64_t> FakeHidTransport::writeTimes(const QString& path) {
    std::lock_guard g(m_mutex);
    return m_boards[path].writeTimes;
}

int FakeHidTransport::openCount(const QString& path) {
    std::lock_guard g(m_mutex);
    return m_boards[path].opens;
}

size_t FakeHidTransport::pending(const QString& path) {
    std::lock_guard g(m_mutex);
    return m_boards[path].reports.size();
}

int FakeHidTransport::readCount(const QString& path) {
    std::lock_guard g(m_mutex);
    return m_boards[path].reads;
}

void FakeHidTransport::setReadHook(std::function<void(const QString&)> hook) {
    std::lock_guard g(m_mutex);
    m_readHook = std::move(hook);
}

std::vector<platform::hid::HidInterface> FakeHidTransport::enumerate() {
    std::lock_guard g(m_mutex);
    std::vector<platform::hid::HidInterface> out;
    for (const QString& p : m_order) {
        const Board& b = m_boards[p];
        if (b.present) out.push_back({p, b.setup.vendorId, b.setup.productId});
    }
    return out;
}

std::unique_ptr<platform::hid::HidHandle> FakeHidTransport::open(const QString& path) {
    std::lock_guard g(m_mutex);
    for (auto& [p, b] : m_boards) {
        if (p.compare(path, Qt::CaseInsensitive) != 0 || !b.present || !b.setup.openable) continue;
        ++b.opens;
        return std::make_unique<FakeHandle>(*this, p, b.generation);
    }
    return nullptr;
}

std::optional<platform::hid::HidCaps> FakeHidTransport::caps(const QString& path) {
    std::lock_guard g(m_mutex);
    return m_boards[path].setup.caps;
}

int FakeHidTransport::read(const QString& path, uint64_t generation, uint8_t* buf, size_t len,
                           int timeoutMs) {
    std::function<void(const QString&)> hook;
    {
        std::lock_guard g(m_mutex);
        hook = m_readHook;
    }
    if (hook) hook(path);
    {
        std::lock_guard g(m_mutex);
        Board& b = m_boards[path];
        ++b.reads;
        if (!b.present || b.generation != generation) return platform::hid::kGone;
        if (!b.reports.empty()) {
            const std::vector<uint8_t> r = std::move(b.reports.front());
            b.reports.pop_front();
            const size_t n = std::min(len, r.size());
            if (n > 0) std::memcpy(buf, r.data(), n);
            return static_cast<int>(n);
        }
    }
    m_clock.sleepMs(timeoutMs);
    return 0;
}

int FakeHidTransport::write(const QString& path, uint64_t generation, const uint8_t* buf,
                            size_t len) {
    std::lock_guard g(m_mutex);
    Board& b = m_boards[path];
    if (!b.present || b.generation != generation) return platform::hid::kGone;
    b.writes.emplace_back(buf, buf + len);
    b.writeTimes.push_back(m_clock.nowMs());
    return b.setup.writeResult == -2 ? static_cast<int>(len) : b.setup.writeResult;
}

}  // namespace testsupport
