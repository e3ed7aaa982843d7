#include "SimBoardHandle.h"

#include "platform/hid/ReportDescriptor.h"
#include "platform/hid/SimBoard.h"

namespace platform::hid {

SimBoardHandle::SimBoardHandle(std::shared_ptr<SimBoard> board, uint64_t generation)
    : m_board(std::move(board)), m_generation(generation) {}

std::optional<HidCaps> SimBoardHandle::capabilities() {
    // The same road as a real board: the lengths come from its descriptor.
    const std::vector<uint8_t>& d = SimBoard::descriptor();
    const auto parsed = parseReportDescriptor(d.data(), d.size());
    if (!parsed || parsed->collections.empty()) return std::nullopt;
    return parsed->collections.front();
}

int SimBoardHandle::read(uint8_t* buf, size_t len, int timeoutMs) {
    return m_board->read(m_generation, buf, len, timeoutMs);
}

int SimBoardHandle::write(const uint8_t* buf, size_t len, int /*timeoutMs*/) {
    return m_board->write(m_generation, buf, len);
}

}  // namespace platform::hid
