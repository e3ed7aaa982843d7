#pragma once
// Starts shares, one at a time: a share asked for while one runs is refused. Lives on the
// user-interface thread; destroying it ends a running share and waits for its thread, and
// closes a link served in the room.
#include "cloud/CloudConfig.h"
#include "cloud/RoomShare.h"
#include "cloud/ShareMode.h"
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
    // mode Room serves the PDF from this computer; addresses stands in for the system's in tests.
    ShareController(ShareHost& host, CloudConfig config, ShareMode mode, RoomSettings room,
                    RoomShare::AddressSource addresses = RoomShare::systemAddressSource());
    ~ShareController();
    ShareController(const ShareController&) = delete;
    ShareController& operator=(const ShareController&) = delete;

    // Shows the QR code view blank and starts the share. False when a share is already running.
    bool start();
    bool running() const { return m_running.load(); }
    // The last finished share's result (see ShareWorker), -2 before the first.
    int lastResult() const { return m_lastResult.load(); }
    ShareMode mode() const { return m_mode; }
    // The share in the room, when that is the mode.
    RoomShare* room() { return m_room.get(); }

private:
    void finish(int result);

    ShareHost& m_host;
    CloudConfig m_config;
    ShareMode m_mode;
    // Declared before what the worker uses: the thread is joined first and these go after it.
    platform::CallSink m_ui;
    // After the sink: its server's threads post to the sink and end before it goes.
    std::unique_ptr<RoomShare> m_room;
    std::unique_ptr<ShareWorker> m_job;
    std::atomic<bool> m_running{false};
    std::atomic<bool> m_abort{false};
    std::atomic<int> m_lastResult{-2};
    platform::WorkerThread m_thread;
};

}  // namespace cloud
