#pragma once
// Simulated button boards (OSTRELY_BOARD=sim): boards that come and go, press keys and log the
// commands they receive, all on command lines from the control socket (tools/ostrely-board).
#include "platform/hid/HidTransport.h"
#include "platform/hid/SimBoardServer.h"

#include <QObject>

#include <memory>
#include <mutex>
#include <vector>

namespace platform::hid {

class SimBoard;

class SimBoardTransport : public HidTransport {
public:
    static constexpr int kMaxBoards = 8;

    // Boards 0 .. pluggedAtStart-1 are present from the start.
    explicit SimBoardTransport(int pluggedAtStart = 1);
    ~SimBoardTransport() override;

    std::vector<HidInterface> enumerate() override;
    std::unique_ptr<HidHandle> open(const QString& path) override;

    // Plug-ins and removals are posted there as device-change messages; null stops them.
    void setDeviceChangeReceiver(QObject* receiver);

    // Serves the control socket until destruction.
    bool listen(const QString& socketPath, QString* error);

    // Runs one command line; the reply's first line is "ok" or "error: <why>".
    //   plug [BOARD] | unplug [BOARD] | key TYPE [BOARD] | id XXXXXXXX [BOARD]
    //   report HEXBYTES [BOARD] | log [BOARD] | list | help
    QString execute(const QString& line);

private:
    QString plug(int board, bool in);
    void notify(unsigned event, const QString& path);

    std::vector<std::shared_ptr<SimBoard>> m_boards;
    std::mutex m_receiverMutex;
    QObject* m_receiver = nullptr;
    std::unique_ptr<SimBoardServer> m_server;  // last: it stops before the boards go
};

}  // namespace platform::hid
