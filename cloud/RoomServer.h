#pragma once
// The small HTTP server of a share in the room: one file, from a descriptor opened before the
// server starts, at one exact path; every other request is answered 404. It serves on threads
// of its own and touches nothing of the program but the callback it is given.
#include "cloud/RoomLink.h"
#include "platform/UniqueFd.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace cloud {

class RoomServer {
public:
    // Called on a server thread when a client has fetched the whole file, with the number of
    // clients (by address) that have done so.
    using Fetched = std::function<void(int clients)>;

    RoomServer(platform::UniqueFd file, std::int64_t size, RoomLink link, Fetched onFetched = {});
    ~RoomServer();  // stops and waits for the server's threads
    RoomServer(const RoomServer&) = delete;
    RoomServer& operator=(const RoomServer&) = delete;

    // Binds host ("0.0.0.0", "::", "127.0.0.1") and port (0: any free one) and starts serving.
    // False, with a log line, when the port cannot be had.
    bool start(const std::string& host, int port);
    // Stops listening and waits for the requests under way to end. Safe to call twice.
    void stop();

    int port() const;
    bool listening() const;
    int clientsFetched() const;
    const RoomLink& link() const;

private:
    struct State;
    std::unique_ptr<State> m;
};

}  // namespace cloud
