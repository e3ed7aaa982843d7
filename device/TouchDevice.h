#pragma once
// One button board: its interface path, open handle, report lengths and identification, and the
// board protocol's single steps (open, read one report, write one command).
#include "platform/Clock.h"
#include "platform/hid/HidTransport.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

class TouchDevice {
public:
    static constexpr uint8_t kCommandA = 0x41;
    static constexpr uint8_t kCommandD = 0x44;
    static constexpr uint8_t kCommandE = 0x45;
    static constexpr uint8_t kCommandZ = 0x5A;
    static constexpr uint8_t kReportF1 = 0xF1;
    static constexpr uint8_t kKeyReport = 0x91;
    // Bytes 0 to 8 of a report are examined, however short the board's reports are.
    static constexpr size_t kExaminedBytes = 9;
    static constexpr int kCommandPauseMs = 1000;
    static constexpr int kIdentificationMs = 2000;
    static constexpr int kReadTimeoutMs = 10;
    static constexpr int kWriteTimeoutMs = 500;

    TouchDevice(QString path, platform::hid::HidTransport& transport, platform::Clock& clock);

    // Opens and initialises the board: lengths, "A", identification, "D".
    bool Open();
    // Zero-fills buffer (at least kExaminedBytes long) and reads one report of
    // inputReportLength bytes into it, waiting at most timeoutMs; reopens a closed handle first.
    // Returns the byte count read.
    int ReadReport(std::vector<uint8_t>& buffer, int timeoutMs = kReadTimeoutMs);
    // Sends one command as an output report of outputReportLength bytes. Returns the byte count
    // written: 0 when it failed, timed out or the handle is closed.
    int WriteCommand(uint8_t command);
    // WriteCommand, then the 1000 ms pause when the write completed.
    int SendCommand(uint8_t command);
    void Close();
    bool IsOpen() const { return handle != nullptr; }

    std::unique_ptr<platform::hid::HidHandle> handle;  // null when closed
    QString path;
    QString id;
    int inputReportLength = 0;
    int outputReportLength = 0;

private:
    bool Reopen();
    void ReadIdentification();

    platform::hid::HidTransport* m_transport;
    platform::Clock* m_clock;
};
