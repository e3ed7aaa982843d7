#include "KeptSettingsWriter.h"

#include "platform/Log.h"

namespace camera::sdk {

KeptSettingsWriter::KeptSettingsWriter(SettingsStore& store, std::chrono::milliseconds settle)
    : m_store(store),
      m_settle(settle),
      m_thread(platform::log::settings(), QStringLiteral("The kept settings writer")) {
    m_thread.start([this] { loop(); }, {}, platform::WorkerThread::Priority::Normal);
}

KeptSettingsWriter::~KeptSettingsWriter() {
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    m_thread.join();
    flush();
}

void KeptSettingsWriter::noteWrite(std::shared_ptr<CameraDevice> device, const QString& key,
                                   const QString& seed, int settingId) {
    if (!device || !SettingsStore::isKeptSetting(settingId)) return;
    {
        std::lock_guard lock(m_mutex);
        Pending& p = m_pending[key];
        p.device = std::move(device);
        p.seed = seed;
        p.ids.insert(settingId);
        m_due = std::chrono::steady_clock::now() + m_settle;
    }
    m_wake.notify_all();
}

void KeptSettingsWriter::loop() {
    std::unique_lock lock(m_mutex);
    while (!m_stop) {
        if (m_pending.empty()) {
            m_wake.wait(lock);
            continue;
        }
        // Each new write moves the time on: the file follows the last one.
        if (m_wake.wait_until(lock, m_due) == std::cv_status::no_timeout ||
            std::chrono::steady_clock::now() < m_due)
            continue;
        lock.unlock();
        flush();
        lock.lock();
    }
}

void KeptSettingsWriter::flush() {
    std::lock_guard write(m_writeMutex);
    writePending();
}

void KeptSettingsWriter::writePending() {
    std::map<QString, Pending> batch;
    {
        std::lock_guard lock(m_mutex);
        batch.swap(m_pending);
        m_writing = !batch.empty();
    }
    int written = 0;
    for (const auto& [key, p] : batch)
        if (m_store.remember(*p.device, p.ids, key, p.seed)) ++written;
    std::lock_guard lock(m_mutex);
    m_written += written;
    m_writing = false;
}

void KeptSettingsWriter::forget(const QString& key) {
    std::lock_guard write(m_writeMutex);
    {
        std::lock_guard lock(m_mutex);
        m_pending.erase(key);
    }
    m_store.forget(key);
}

bool KeptSettingsWriter::pending() const {
    std::lock_guard lock(m_mutex);
    return !m_pending.empty() || m_writing;
}

int KeptSettingsWriter::filesWritten() const {
    std::lock_guard lock(m_mutex);
    return m_written;
}

}  // namespace camera::sdk
