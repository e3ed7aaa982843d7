#pragma once
// Device-change notices from udev: hidraw nodes (one notice per top-level collection), USB
// devices and the cameras' video nodes, on a thread of their own. A camera is told twice: its
// USB device comes first, its capture node (made by the driver, with its access rights) later.
#include "platform/UniqueFd.h"
#include "platform/WorkerThread.h"
#include "platform/hid/DeviceMonitor.h"

#include <QHash>
#include <QStringList>

#include <atomic>

struct udev;
struct udev_device;
struct udev_monitor;

namespace platform::hid {

class UdevDeviceMonitor : public DeviceMonitor {
public:
    UdevDeviceMonitor(bool hid, bool usb);
    ~UdevDeviceMonitor() override;
    UdevDeviceMonitor(const UdevDeviceMonitor&) = delete;
    UdevDeviceMonitor& operator=(const UdevDeviceMonitor&) = delete;

    bool start(QObject* receiver) override;

private:
    void run();
    void handle(udev_device* dev);
    void handleHidraw(udev_device* dev, bool added);
    void handleUsb(udev_device* dev, bool added);
    void handleVideo(udev_device* dev, bool added);
    void post(unsigned event, const QString& name);

    bool m_hid;
    bool m_usb;
    QObject* m_receiver = nullptr;
    udev* m_udev = nullptr;
    udev_monitor* m_monitor = nullptr;
    UniqueFd m_stopFd;
    WorkerThread m_thread;
    // Names given at arrival, so the removal (when sysfs is gone) carries the same ones.
    QHash<QString, QStringList> m_hidrawNames;
    QHash<QString, QString> m_videoNames;
};

}  // namespace platform::hid
