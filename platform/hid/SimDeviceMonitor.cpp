#include "SimDeviceMonitor.h"

#include "platform/hid/SimBoardTransport.h"

namespace platform::hid {

SimDeviceMonitor::SimDeviceMonitor(SimBoardTransport& boards)
    : m_boards(boards), m_usb(false, true) {}

SimDeviceMonitor::~SimDeviceMonitor() {
    m_boards.setDeviceChangeReceiver(nullptr);
}

bool SimDeviceMonitor::start(QObject* receiver) {
    if (receiver == nullptr) return false;
    m_boards.setDeviceChangeReceiver(receiver);
    m_usb.start(receiver);  // without udev the boards still report
    return true;
}

}  // namespace platform::hid
