#pragma once
// An open simulated board.
#include "platform/hid/HidTransport.h"

#include <memory>

namespace platform::hid {

class SimBoard;

class SimBoardHandle : public HidHandle {
public:
    SimBoardHandle(std::shared_ptr<SimBoard> board, uint64_t generation);

    std::optional<HidCaps> capabilities() override;
    int read(uint8_t* buf, size_t len, int timeoutMs) override;
    int write(const uint8_t* buf, size_t len, int timeoutMs) override;

private:
    std::shared_ptr<SimBoard> m_board;
    uint64_t m_generation;
};

}  // namespace platform::hid
