#pragma once
// The simulated boards' control socket: a local stream socket that takes one command line per
// connection and answers with the handler's reply. Only processes of this user may connect.
#include <QString>

#include <functional>
#include <thread>

namespace platform::hid {

class SimBoardServer {
public:
    using Handler = std::function<QString(const QString& line)>;

    SimBoardServer(QString socketPath, Handler handler);
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
    void serve(int fd);

    QString m_path;
    Handler m_handler;
    int m_listenFd = -1;
    int m_stopFd = -1;
    std::thread m_thread;
};

}  // namespace platform::hid
