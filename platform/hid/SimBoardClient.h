#pragma once
// The other end of the simulated boards' control socket.
#include <QString>

namespace platform::hid {

class SimBoardClient {
public:
    explicit SimBoardClient(QString socketPath) : m_path(std::move(socketPath)) {}

    // Sends one command line and returns the whole reply ("ok..." or "error: ..."); false with
    // error set when the socket cannot be reached.
    bool request(const QString& line, QString* reply, QString* error) const;

private:
    QString m_path;
};

}  // namespace platform::hid
