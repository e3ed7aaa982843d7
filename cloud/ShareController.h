#pragma once
// Starts shares, one at a time: a share asked for while one runs is refused. Lives on the
// user-interface thread; destroying it ends a running share and waits for its thread.
#include "cloud/CloudConfig.h"
#include "platform/CallSink.h"
#include "platform/WorkerThread.h"

#include <atomic>
#include <memory>

namespace cloud {

class ShareHost;
class ShareWorker;

class ShareController {
public:
    ShareController(ShareHost& host, CloudConfig config);
    ~ShareController();
    ShareController(const ShareController&) = delete;
    ShareController& operator=(const ShareController&) = delete;

    // Shows the QR code view blank and starts the share. False when a share is already running.
    bool start();
    bool running() const { return m_running.load(); }
    // The last finished share's result (see ShareWorker), -2 before the first.
    int lastResult() const { return m_lastResult.load(); }

private:
    void finish(int result);

    ShareHost& m_host;
    CloudConfig m_config;
    // Declared before what the worker uses: the thread is joined first and these go after it.
    platform::CallSink m_ui;
    std::unique_ptr<ShareWorker> m_job;
    std::atomic<bool> m_running{false};
    std::atomic<bool> m_abort{false};
    std::atomic<int> m_lastResult{-2};
    platform::WorkerThread m_thread;
};

}  // namespace cloud
