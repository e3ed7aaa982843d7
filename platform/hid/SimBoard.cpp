#include "SimBoard.h"

#include <QFile>

#include "platform/hid/InterfaceName.h"

#include <algorithm>
#include <chrono>
#include <cstring>

namespace platform::hid {

namespace {

constexpr uint16_t kVendor = 0x0483;
constexpr uint16_t kProduct = 0x5851;
constexpr size_t kReportLength = 64;  // with the id byte
// Like the driver's queue of 64 input reports; older ones are dropped beyond it.
constexpr size_t kQueueLimit = 64;

std::vector<uint8_t> report(std::initializer_list<uint8_t> head) {
    std::vector<uint8_t> r(kReportLength, 0);
    std::copy(head.begin(), head.end(), r.begin());
    return r;
}

}  // namespace

SimBoard::SimBoard(int index)
    : m_index(index), m_id{0x51, 0x0B, 0x00, static_cast<uint8_t>(index + 1)} {}

QString SimBoard::path() const {
    return hidInterfaceNames(kVendor, kProduct, 1, -1, QStringLiteral("SIM&%1").arg(m_index))
        .front();
}

const std::vector<uint8_t>& SimBoard::descriptor() {
    // clang-format off
    static const std::vector<uint8_t> d = {
        0x06, 0x00, 0xFF,  // usage page (vendor)
        0x09, 0x01,        // usage
        0xA1, 0x01,        // collection (application)
        0x15, 0x00, 0x26, 0xFF, 0x00, 0x75, 0x08,  // logical 0..255, 8 bits
        0x85, 0xF1, 0x09, 0x02, 0x95, 0x3F, 0x81, 0x02,  // report 0xF1: input, 63 bytes
        0x85, 0x01, 0x09, 0x03, 0x95, 0x3F, 0x91, 0x02,  // report 1: output, 63 bytes
        0xC0,  // end collection
    };
    // clang-format on
    return d;
}

bool SimBoard::plug() {
    std::lock_guard g(m_mutex);
    if (m_present) return false;
    m_present = true;
    ++m_generation;
    return true;
}

bool SimBoard::unplug() {
    {
        std::lock_guard g(m_mutex);
        if (!m_present) return false;
        m_present = false;
        ++m_generation;
        m_reports.clear();
    }
    m_arrived.notify_all();
    return true;
}

bool SimBoard::present() const {
    std::lock_guard g(m_mutex);
    return m_present;
}

uint64_t SimBoard::generation() const {
    std::lock_guard g(m_mutex);
    return m_generation;
}

void SimBoard::setId(const std::array<uint8_t, 4>& id) {
    std::lock_guard g(m_mutex);
    m_id = id;
}

QString SimBoard::id() const {
    std::lock_guard g(m_mutex);
    return QString::asprintf("%02X%02X%02X%02X", m_id[0], m_id[1], m_id[2], m_id[3]);
}

void SimBoard::pressKey(uint8_t keyType) {
    pushReport(report({0xF1, 0x91, 0x00, keyType}));
}

void SimBoard::pushReport(std::vector<uint8_t> r) {
    {
        std::lock_guard g(m_mutex);
        if (!m_present) return;
        if (m_reports.size() == kQueueLimit) m_reports.pop_front();
        m_reports.push_back(std::move(r));
    }
    m_arrived.notify_all();
}

QStringList SimBoard::commandLog() const {
    std::lock_guard g(m_mutex);
    return m_log;
}

bool SimBoard::live(uint64_t generation) const {
    return m_present && m_generation == generation;
}

int SimBoard::read(uint64_t generation, uint8_t* buf, size_t len, int timeoutMs) {
    std::unique_lock g(m_mutex);
    m_arrived.wait_for(g, std::chrono::milliseconds(std::max(timeoutMs, 0)),
                       [&] { return !live(generation) || !m_reports.empty(); });
    if (!live(generation)) return kGone;
    if (m_reports.empty()) return 0;
    const std::vector<uint8_t> r = std::move(m_reports.front());
    m_reports.pop_front();
    const size_t n = std::min(len, r.size());
    if (n > 0) std::memcpy(buf, r.data(), n);
    return static_cast<int>(n);
}

// With OSTRELY_BOARD_LOG set, every command also goes to that file ("<board> <command>" lines),
// so a test can read what the boards got after the program has ended.
void SimBoard::appendToLogFile(const QString& command) const {
    const QString path = qEnvironmentVariable("OSTRELY_BOARD_LOG");
    if (path.isEmpty()) return;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append)) return;
    file.write(QStringLiteral("%1 %2\n").arg(m_index).arg(command).toUtf8());
}

int SimBoard::write(uint64_t generation, const uint8_t* buf, size_t len) {
    std::array<uint8_t, 4> id;
    {
        std::lock_guard g(m_mutex);
        if (!live(generation)) return kGone;
        if (len < 2 || buf[0] != 0x01) return 0;  // not the board's output report
        const uint8_t command = buf[1];
        m_log << ((command >= 'A' && command <= 'Z') ? QString(QChar(command))
                                                     : QString::asprintf("0x%02X", command));
        appendToLogFile(m_log.back());
        if (command != 'A') return static_cast<int>(len);
        id = m_id;
    }
    // The board answers "A" with its identification.
    pushReport(report({0xF1, 0xA1, 0x00, 0x00, 0x00, id[0], id[1], id[2], id[3]}));
    return static_cast<int>(len);
}

}  // namespace platform::hid
