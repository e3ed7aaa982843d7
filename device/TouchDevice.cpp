#include "TouchDevice.h"

#include "platform/Log.h"

#include <algorithm>

TouchDevice::TouchDevice(QString path, platform::hid::HidTransport& transport,
                         platform::Clock& clock)
    : path(std::move(path)), m_transport(&transport), m_clock(&clock) {}

bool TouchDevice::Reopen() {
    if (path.isEmpty()) return false;
    handle = m_transport->open(path);
    return handle != nullptr;
}

void TouchDevice::Close() {
    handle.reset();
}

bool TouchDevice::Open() {
    if (!Reopen()) return false;
    const auto caps = handle->capabilities();
    if (!caps) {
        platform::log::failure(platform::log::board(),
                               QStringLiteral("board %1 is not used").arg(path),
                               QStringLiteral("its report descriptor cannot be read"));
        return false;  // the handle stays open, the lengths 0: it reads and sends nothing
    }
    inputReportLength = caps->inputReportByteLength;
    outputReportLength = caps->outputReportByteLength;
    SendCommand(kCommandA);
    ReadIdentification();
    SendCommand(kCommandD);
    return true;
}

void TouchDevice::ReadIdentification() {
    if (inputReportLength <= 0) return;  // nothing could ever be read
    std::vector<uint8_t> buffer;
    const int64_t start = m_clock->nowMs();
    while (m_clock->nowMs() - start <= kIdentificationMs) {
        ReadReport(buffer);
        if (buffer[0] == kReportF1) {
            id = QString::asprintf("%02X%02X%02X%02X", buffer[5], buffer[6], buffer[7], buffer[8]);
            return;
        }
        // A board that went away answers nothing more; do not spin on it for the whole window.
        if (!IsOpen()) return;
    }
}

int TouchDevice::ReadReport(std::vector<uint8_t>& buffer, int timeoutMs) {
    const size_t length = static_cast<size_t>(std::max(inputReportLength, 0));
    buffer.assign(std::max(length, kExaminedBytes), 0);
    if (!IsOpen() && !Reopen()) return 0;
    if (length == 0) return 0;
    const int n = handle->read(buffer.data(), length, timeoutMs);
    if (n == platform::hid::kGone) {
        // Unplugged or failed: drop the handle so a later read tries to reopen the path.
        Close();
        std::fill(buffer.begin(), buffer.end(), 0);
        return 0;
    }
    return n;
}

int TouchDevice::WriteCommand(uint8_t command) {
    if (!IsOpen() || outputReportLength < 2) return 0;
    std::vector<uint8_t> report(static_cast<size_t>(outputReportLength), 0);
    report[0] = 0x01;
    report[1] = command;
    const int n = handle->write(report.data(), report.size(), kWriteTimeoutMs);
    if (n == platform::hid::kGone) {
        Close();
        return 0;
    }
    return n;
}

int TouchDevice::SendCommand(uint8_t command) {
    const int n = WriteCommand(command);
    if (n > 0) m_clock->sleepMs(kCommandPauseMs);
    return n;
}
