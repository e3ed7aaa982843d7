#pragma once
// Starts shares, one at a time: a share asked for while one runs is refused. Lives on the
// user-interface thread; destroying it ends a running share and waits for its thread.
#include "cloud/CloudConfig.h"

#include <atomic>
#include <memory>
#include <thread>

namespace cloud {

class ShareHost;
class UiBridge;

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
    ShareHost& m_host;
    CloudConfig m_config;
    std::unique_ptr<UiBridge> m_ui;
    std::thread m_thread;
    std::atomic<bool> m_running{false};
    std::atomic<bool> m_abort{false};
    std::atomic<int> m_lastResult{-2};
};

}  // namespace cloud
