#pragma once
// One simulated button board: its queue of input reports, the commands it has received, its
// identification, and whether it is plugged in. Shared by the transport and its open handles.
#include "platform/hid/HidTransport.h"

#include <QString>
#include <QStringList>

#include <array>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <vector>

namespace platform::hid {

class SimBoard {
public:
    explicit SimBoard(int index);

    int index() const { return m_index; }
    QString path() const;  // its interface name: one collection, so no COL part
    // The board's report descriptor: input report 0xF1 and output report 1, 64 bytes each.
    static const std::vector<uint8_t>& descriptor();

    // Each plug-in starts a new generation; handles of an earlier one see the board as gone.
    bool plug();
    bool unplug();
    bool present() const;
    uint64_t generation() const;

    void setId(const std::array<uint8_t, 4>& id);
    QString id() const;
    void pressKey(uint8_t keyType);
    void pushReport(std::vector<uint8_t> report);
    QStringList commandLog() const;

    // As HidHandle::read and write, for a handle opened in the given generation.
    int read(uint64_t generation, uint8_t* buf, size_t len, int timeoutMs);
    int write(uint64_t generation, const uint8_t* buf, size_t len);

private:
    bool live(uint64_t generation) const;
    void appendToLogFile(const QString& command) const;

    const int m_index;
    mutable std::mutex m_mutex;
    std::condition_variable m_arrived;
    bool m_present = false;
    uint64_t m_generation = 0;
    std::array<uint8_t, 4> m_id;
    std::deque<std::vector<uint8_t>> m_reports;
    QStringList m_log;
};

}  // namespace platform::hid
