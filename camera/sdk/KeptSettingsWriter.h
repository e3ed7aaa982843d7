#pragma once
// Writes the kept settings of the cameras once a drag or a burst of steps has settled, on a thread
// of its own: a thumb dragged across a trackbar writes the camera dozens of times, the file once.
// The file is still written whole and renamed into place.
#include "camera/sdk/CameraDevice.h"
#include "camera/sdk/SettingsStore.h"
#include "platform/WorkerThread.h"

#include <QString>

#include <chrono>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <set>

namespace camera::sdk {

class KeptSettingsWriter {
public:
    static constexpr std::chrono::milliseconds kSettle{500};

    // The store must outlive the writer.
    explicit KeptSettingsWriter(SettingsStore& store, std::chrono::milliseconds settle = kSettle);
    // Writes what is still pending.
    ~KeptSettingsWriter();
    KeptSettingsWriter(const KeptSettingsWriter&) = delete;
    KeptSettingsWriter& operator=(const KeptSettingsWriter&) = delete;

    // A setting of the camera filed under key (seed: see CameraKeys) was written. Kept once no
    // write has come for the settle time.
    void noteWrite(std::shared_ptr<CameraDevice> device, const QString& key, const QString& seed,
                   int settingId);
    // Writes everything pending now, on the caller's thread.
    void flush();
    // Nothing pending for key any more, and its file gone: a write in progress finishes first.
    void forget(const QString& key);
    // Something is waiting to be filed or being filed.
    bool pending() const;
    // Files written so far (each a whole file).
    int filesWritten() const;

private:
    struct Pending {
        std::shared_ptr<CameraDevice> device;
        QString seed;
        std::set<int> ids;
    };
    void loop();
    void writePending();

    SettingsStore& m_store;
    const std::chrono::milliseconds m_settle;
    // Order: m_writeMutex before m_mutex.
    std::mutex m_writeMutex;  // one writer of the files at a time
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::map<QString, Pending> m_pending;
    std::chrono::steady_clock::time_point m_due;
    bool m_stop = false;
    bool m_writing = false;
    int m_written = 0;
    platform::WorkerThread m_thread;
};

}  // namespace camera::sdk
