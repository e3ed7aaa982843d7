#include "GrayJpeg.h"

#include <cstring>

namespace fakeuvc {

namespace {

class BitWriter {
public:
    BitWriter(uint8_t* out, size_t capacity) : m_out(out), m_cap(capacity) {}
    void put(uint32_t bits, int count) {
        for (int i = count - 1; i >= 0; --i) {
            m_acc = uint8_t((m_acc << 1) | ((bits >> i) & 1));
            if (++m_fill == 8) flushByte();
        }
    }
    // Pads the last byte with ones, as the format asks.
    void finish() {
        while (m_fill != 0) put(1, 1);
    }
    size_t size() const { return m_pos; }
    bool overflow() const { return m_overflow; }

private:
    void byte(uint8_t b) {
        if (m_pos < m_cap)
            m_out[m_pos++] = b;
        else
            m_overflow = true;
    }
    void flushByte() {
        byte(m_acc);
        if (m_acc == 0xFF) byte(0x00);  // stuffed, so no marker is seen in the data
        m_acc = 0;
        m_fill = 0;
    }
    uint8_t* m_out;
    size_t m_cap;
    size_t m_pos = 0;
    uint8_t m_acc = 0;
    int m_fill = 0;
    bool m_overflow = false;
};

// The usual luminance DC table: categories 0..11.
constexpr uint8_t kDcCounts[16] = {0, 1, 5, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0};
constexpr uint8_t kDcSymbols[12] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
// Codes and lengths of that table, category by category.
constexpr uint16_t kDcCode[12] = {0x0, 0x2, 0x3, 0x4, 0x5, 0x6, 0xE, 0x1E, 0x3E, 0x7E, 0xFE, 0x1FE};
constexpr uint8_t kDcLength[12] = {2, 3, 3, 3, 3, 3, 4, 5, 6, 7, 8, 9};
// An AC table of one symbol: end of block, code "0".
constexpr uint8_t kAcCounts[16] = {1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
constexpr uint8_t kAcSymbols[1] = {0x00};
constexpr uint8_t kDcQuant = 8;  // turns the DC of a level straight into level - 128

void putDc(BitWriter& w, int diff) {
    int magnitude = diff < 0 ? -diff : diff;
    int category = 0;
    while (magnitude > 0) {
        ++category;
        magnitude >>= 1;
    }
    w.put(kDcCode[category], kDcLength[category]);
    if (category > 0) {
        const int bits = diff < 0 ? diff + (1 << category) - 1 : diff;
        w.put(uint32_t(bits), category);
    }
}

}  // namespace

size_t writeGrayJpeg(uint8_t* out, size_t capacity, unsigned width, unsigned height,
                     uint8_t level) {
    if (width == 0 || height == 0 || width > 65535 || height > 65535) return 0;
    size_t pos = 0;
    const auto emit = [&](const uint8_t* bytes, size_t n) {
        if (pos + n > capacity) return false;
        std::memcpy(out + pos, bytes, n);
        pos += n;
        return true;
    };
    uint8_t head[2 + 69 + 13 + 2 * (21 + 12) + 10];
    size_t h = 0;
    const auto b = [&](unsigned v) { head[h++] = uint8_t(v); };
    b(0xFF), b(0xD8);
    b(0xFF), b(0xDB), b(0), b(67), b(0);  // quantisation table 0
    b(kDcQuant);
    for (int i = 1; i < 64; ++i) b(1);
    b(0xFF), b(0xC0), b(0), b(11), b(8), b(height >> 8), b(height & 0xFF), b(width >> 8),
        b(width & 0xFF), b(1), b(1), b(0x11), b(0);
    b(0xFF), b(0xC4), b(0), b(3 + 16 + sizeof kDcSymbols), b(0x00);
    for (uint8_t c : kDcCounts) b(c);
    for (uint8_t s : kDcSymbols) b(s);
    b(0xFF), b(0xC4), b(0), b(3 + 16 + sizeof kAcSymbols), b(0x10);
    for (uint8_t c : kAcCounts) b(c);
    for (uint8_t s : kAcSymbols) b(s);
    b(0xFF), b(0xDA), b(0), b(8), b(1), b(1), b(0x00), b(0), b(63), b(0);
    if (!emit(head, h)) return 0;

    BitWriter w(out + pos, capacity - pos);
    const size_t blocks = size_t((width + 7) / 8) * ((height + 7) / 8);
    for (size_t i = 0; i < blocks && !w.overflow(); ++i) {
        putDc(w, i == 0 ? int(level) - 128 : 0);
        w.put(0, 1);  // end of block
    }
    w.finish();
    if (w.overflow()) return 0;
    pos += w.size();
    const uint8_t tail[2] = {0xFF, 0xD9};
    return emit(tail, 2) ? pos : 0;
}

}  // namespace fakeuvc
