#pragma once
// A share in the room: the PDF of all listed pictures served from this computer to the phones
// on the local network, its link shown as the QR code. The worker exports the PDF and starts
// the server; the rest lives on the user-interface thread, which owns the server from then
// on, closes it a stated time after the view is closed, and stops it when the next share
// starts or the program ends.
#include "cloud/RoomLifetime.h"
#include "cloud/ShareMode.h"

#include <QString>
#include <QStringList>
#include <QTimer>

#include <atomic>
#include <functional>
#include <memory>

namespace platform {
class CallSink;
}

namespace cloud {

class RoomServer;
class ShareHost;

class RoomShare {
public:
    // What a share in the room ended in (kServing matches a successful upload's result).
    static constexpr int kExportFailed = -1;
    static constexpr int kServing = 4;
    static constexpr int kNoNetwork = 10;
    static constexpr int kPortUnavailable = 11;
    static constexpr int kNotServed = 12;

    // Where the phones might reach us, best first.
    using AddressSource = std::function<QStringList()>;

    RoomShare(ShareHost& host, platform::CallSink& ui, RoomSettings settings,
              AddressSource addresses = systemAddressSource());
    ~RoomShare();
    RoomShare(const RoomShare&) = delete;
    RoomShare& operator=(const RoomShare&) = delete;

    static AddressSource systemAddressSource();

    // On the share's worker thread.
    int ShareThread();
    int endAfterError();

    // On the user-interface thread.
    void stop();
    void chooseAddress(int index);
    bool serving() const;
    int port() const;
    QString currentLink() const;
    int clientsFetched() const { return m_fetched.load(); }
    // Checks the view and the time; closes the link when its time is over.
    void tick();

private:
    bool present(std::unique_ptr<RoomServer>& server, const QStringList& addresses);
    void report(int textId);
    void showStatus();

    ShareHost& m_host;
    platform::CallSink& m_ui;
    RoomSettings m_settings;
    AddressSource m_addresses;
    std::atomic<bool> m_exported{false};
    std::atomic<int> m_fetched{0};

    // The user-interface thread's.
    std::unique_ptr<RoomServer> m_server;
    QStringList m_shownAddresses;
    int m_current = 0;
    RoomLifetime m_lifetime;
    QTimer m_timer;
    std::shared_ptr<int> m_alive = std::make_shared<int>(0);
};

}  // namespace cloud
