#include "ReportDescriptor.h"

#include <array>
#include <map>

namespace platform::hid {

namespace {

// Linux refuses larger values too; they also keep the bit arithmetic far from overflow.
constexpr uint32_t kMaxReportSize = 256;
constexpr uint32_t kMaxReportCount = 12288;
constexpr uint64_t kMaxReportBits = 16384ull * 8;
constexpr size_t kMaxPushDepth = 16;
constexpr int kMaxCollectionDepth = 64;

enum Kind { kInput, kOutput, kFeature, kKinds };

struct Globals {
    uint32_t reportSize = 0;
    uint32_t reportCount = 0;
    uint32_t reportId = 0;
};

struct Item {
    uint8_t type = 0;  // 0 main, 1 global, 2 local
    uint8_t tag = 0;
    uint32_t value = 0;
};

using ReportBits = std::map<uint32_t, std::array<uint64_t, kKinds>>;

class Parser {
public:
    Parser(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}

    std::optional<ReportDescriptor> run() {
        if (m_size > kMaxReportDescriptorSize) return std::nullopt;
        Item item;
        while (m_pos < m_size) {
            if (!next(item) || !apply(item)) return std::nullopt;
        }
        if (m_depth != 0 || m_collections.empty()) return std::nullopt;
        return result();
    }

private:
    // Reads the item at m_pos; long items are skipped and reported as a local item.
    bool next(Item& item) {
        const uint8_t prefix = m_data[m_pos++];
        if (prefix == 0xFE) {
            if (m_size - m_pos < 2) return false;
            const size_t len = m_data[m_pos];
            m_pos += 2;
            if (m_size - m_pos < len) return false;
            m_pos += len;
            item = Item{2, 0xF, 0};
            return true;
        }
        static constexpr size_t kSizes[] = {0, 1, 2, 4};
        const size_t len = kSizes[prefix & 3];
        if (m_size - m_pos < len) return false;
        uint32_t value = 0;
        for (size_t i = 0; i < len; ++i)
            value |= static_cast<uint32_t>(m_data[m_pos + i]) << (8 * i);
        m_pos += len;
        item =
            Item{static_cast<uint8_t>((prefix >> 2) & 3), static_cast<uint8_t>(prefix >> 4), value};
        return true;
    }

    bool apply(const Item& item) {
        switch (item.type) {
            case 0: return applyMain(item);
            case 1: return applyGlobal(item);
            default: return true;  // local and reserved items do not change report lengths
        }
    }

    bool applyMain(const Item& item) {
        switch (item.tag) {
            case 0x8: return addData(kInput);
            case 0x9: return addData(kOutput);
            case 0xB: return addData(kFeature);
            case 0xA:
                if (m_depth == kMaxCollectionDepth) return false;
                if (m_depth++ == 0) m_collections.emplace_back();
                return true;
            case 0xC:
                if (m_depth == 0) return false;
                --m_depth;
                return true;
            default: return true;
        }
    }

    bool addData(Kind kind) {
        if (m_depth == 0) return false;
        uint64_t& bits = m_collections.back()[m_globals.reportId][kind];
        bits += static_cast<uint64_t>(m_globals.reportSize) * m_globals.reportCount;
        return bits <= kMaxReportBits;
    }

    bool applyGlobal(const Item& item) {
        switch (item.tag) {
            case 0x7: m_globals.reportSize = item.value; return item.value <= kMaxReportSize;
            case 0x8:
                m_globals.reportId = item.value;
                m_usesIds = true;
                return item.value >= 1 && item.value <= 255;
            case 0x9: m_globals.reportCount = item.value; return item.value <= kMaxReportCount;
            case 0xA:
                if (m_stack.size() == kMaxPushDepth) return false;
                m_stack.push_back(m_globals);
                return true;
            case 0xB:
                if (m_stack.empty()) return false;
                m_globals = m_stack.back();
                m_stack.pop_back();
                return true;
            default: return true;
        }
    }

    ReportDescriptor result() const {
        ReportDescriptor d;
        d.usesReportIds = m_usesIds;
        for (const ReportBits& reports : m_collections) {
            std::array<int, kKinds> bytes{};
            for (const auto& [id, bits] : reports) {
                for (int k = 0; k < kKinds; ++k) {
                    if (bits[k] == 0) continue;
                    // The id byte counts even where reports carry none.
                    const int len = static_cast<int>((bits[k] + 7) / 8) + 1;
                    if (len > bytes[k]) bytes[k] = len;
                }
            }
            d.collections.push_back(HidCaps{bytes[kInput], bytes[kOutput], bytes[kFeature]});
        }
        return d;
    }

    const uint8_t* m_data;
    size_t m_size;
    size_t m_pos = 0;
    Globals m_globals;
    std::vector<Globals> m_stack;
    int m_depth = 0;
    bool m_usesIds = false;
    std::vector<ReportBits> m_collections;
};

}  // namespace

std::optional<ReportDescriptor> parseReportDescriptor(const uint8_t* data, size_t size) {
    if (data == nullptr && size != 0) return std::nullopt;
    return Parser(data, size).run();
}

}  // namespace platform::hid
