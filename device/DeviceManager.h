#pragma once
// The button boards: discovery, arrivals and removals, their commands, and the reading thread
// that turns key reports into key messages (0x2B11: board index, key type) for the owner.
//
// Arrivals, removals and the owner's "D" run on the reading thread between its passes, so the
// owner's thread never waits out a board's pauses; what the owner must learn comes back to its
// thread through a call sink. The list lock is held for a pass, a change of the list and a single
// bounded write, never for a pause.
#include "device/TouchDevice.h"
#include "platform/CallSink.h"
#include "platform/Clock.h"
#include "platform/WorkerThread.h"
#include "platform/hid/HidTransport.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <deque>
#include <functional>
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
    // Reports taken from one board in one pass: the driver's queue of 64 twice over, so a board
    // that never stops sending cannot hold the pass.
    static constexpr int kMaxReportsPerPass = 128;

    // Arrival done: boards before it and after it. Removal done: the removed index (-1 for none)
    // and the boards left.
    using ArrivalDone = std::function<void(int before, int after)>;
    using RemovalDone = std::function<void(int index, int left)>;

    // owner receives the key messages and must outlive the reading thread; transport and clock
    // must outlive the manager. Made on the owner's thread: completions run there.
    DeviceManager(QObject* owner, platform::hid::HidTransport& transport, platform::Clock& clock);
    // Stops the reading thread (closing the boards) if it still runs.
    ~DeviceManager();
    DeviceManager(const DeviceManager&) = delete;
    DeviceManager& operator=(const DeviceManager&) = delete;

    // The list operations; each may be called from any thread.
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

    // The owner's side of a device change, run in arrival order on the reading thread.
    // An arrival adds the board and sends "D" to the last record; done runs on the owner's
    // thread unless the manager shuts down first. Queued work waits for the reading thread.
    void QueueArrival(const QString& path, ArrivalDone done);
    void QueueRemoval(const QString& path, RemovalDone done);
    void QueueCommandD(int index);

    // Starts the reading thread at the highest priority; once. Should anything it calls throw,
    // the thread closes the boards and ends, as at shutdown.
    void StartReadingThread();
    // On the owner's thread: drops queued work and completions, sets stopRequested and waits
    // until the thread has closed the boards and ended.
    void Shutdown();

    std::atomic<bool> stopRequested{false};
    std::atomic<int> listReady{1};

private:
    using Record = std::shared_ptr<TouchDevice>;

    void ReadingThread();
    void ReadingPass(std::vector<uint8_t>& buffer);
    void DrainBoard(size_t index, std::vector<uint8_t>& buffer);
    void RunQueuedWork();
    void Queue(std::function<void()> work);
    std::vector<Record> DropMatching(const QString& upperNeedle);
    void CloseUnlisted(const std::vector<Record>& records);
    bool ValidIndex(int index) const;
    bool Listed(const Record& record) const;
    Record RecordAt(int index);
    std::vector<Record> Snapshot();
    // Writes one command to a listed record under the lock, then pauses outside it.
    int SendCommand(const Record& record, uint8_t command);
    void OpenInPlace(const Record& record);
    std::vector<QString> FindArrived(const QString& upperNeedle);

    QObject* owner;  // the main dialog
    platform::hid::HidTransport& m_transport;
    platform::Clock& m_clock;
    mutable std::mutex m_lock;  // the list and every read or write on a listed record
    std::vector<Record> devices;
    std::mutex m_queueLock;
    std::deque<std::function<void()>> m_queue;
    platform::CallSink m_sink;
    platform::WorkerThread thread;
};
