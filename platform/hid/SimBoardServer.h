#pragma once
// The simulated boards' control socket: a local stream socket that takes one command line per
// connection and answers with the handler's reply. Only processes of this user may connect.
// One thread serves every client at once, so a silent or slow client never holds up another.
#include "platform/UniqueFd.h"
#include "platform/WorkerThread.h"

#include <QString>

#include <chrono>
#include <functional>

namespace platform::hid {

struct SimBoardLimits {
    // A client has this long to send its whole command line, and again this long to take the
    // whole reply, before it is dropped.
    std::chrono::milliseconds requestTimeout{2000};
    // Connections served at once; one more is refused with "error: busy".
    int maxClients = 32;
};

class SimBoardServer {
public:
    // Called on the server's thread, one line at a time.
    using Handler = std::function<QString(const QString& line)>;

    SimBoardServer(QString socketPath, Handler handler, SimBoardLimits limits = SimBoardLimits());
    ~SimBoardServer();
    SimBoardServer(const SimBoardServer&) = delete;
    SimBoardServer& operator=(const SimBoardServer&) = delete;

    // Binds and starts serving; on failure says why in error.
    bool listen(QString* error);
    QString socketPath() const { return m_path; }

    // $OSTRELY_BOARD_SOCKET, else "board.sock" in the user's private temporary folder; empty
    // when there is no such folder.
    static QString defaultSocketPath();

private:
    bool removeStaleSocket(QString* error);
    void run();

    QString m_path;
    Handler m_handler;
    SimBoardLimits m_limits;
    UniqueFd m_listenFd;
    UniqueFd m_stopFd;
    WorkerThread m_thread;
};

}  // namespace platform::hid
