#pragma once
// The button boards: discovery, arrivals and removals, their commands, and the reading thread
// that turns key reports into key messages (0x2B11: board index, key type) for the owner.
#include "device/TouchDevice.h"
#include "platform/Clock.h"
#include "platform/WorkerThread.h"
#include "platform/hid/HidTransport.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

class DeviceManager {
public:
    static constexpr uint16_t kVendorId = 0x0483;
    static constexpr uint16_t kProductId = 0x5851;
    static constexpr int kPassPauseMs = 200;
    static constexpr int kNotReadyPauseMs = 500;
    static constexpr int kRemovalPauseMs = 100;

    // owner receives the key messages and must outlive the reading thread; transport and clock
    // must outlive the manager.
    DeviceManager(QObject* owner, platform::hid::HidTransport& transport, platform::Clock& clock);
    // Stops the reading thread (closing the boards) if it still runs.
    ~DeviceManager();
    DeviceManager(const DeviceManager&) = delete;
    DeviceManager& operator=(const DeviceManager&) = delete;

    int EnumDevices();
    int AddDevice(const QString& path);
    int RemoveDevice(const QString& path);
    void DropDevice(int index);
    QString GetDeviceId(int index);
    void SendCommandD(int index);
    // The record's WriteCommand under the list lock (for the firmware update's "Z"); 0 when
    // there is no such record.
    int WriteCommand(int index, uint8_t command);
    int GetDeviceCount();
    void OpenAll();
    void CloseAll();

    // Starts the reading thread at the highest priority; once. Should anything it calls throw,
    // the thread closes the boards and ends, as at shutdown.
    void StartReadingThread();
    // Sets stopRequested and waits until the thread has closed the boards and ended.
    void Shutdown();

    std::atomic<bool> stopRequested{false};
    std::atomic<int> listReady{1};

private:
    void ReadingThread();
    void ReadingPass(std::vector<uint8_t>& buffer);
    void DropMatching(const QString& upperNeedle);
    bool ValidIndex(int index) const;

    QObject* owner;  // the main dialog
    platform::hid::HidTransport& m_transport;
    platform::Clock& m_clock;
    std::mutex m_lock;  // the list, for a whole pass, scan, arrival, removal, drop or command
    std::vector<TouchDevice> devices;
    platform::WorkerThread thread;
};
