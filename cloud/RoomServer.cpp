#include "RoomServer.h"

#include "platform/Log.h"
#include "platform/WorkerThread.h"

#include <httplib.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <mutex>
#include <set>
#include <thread>

#include <sys/socket.h>
#include <unistd.h>

namespace cloud {

namespace {

constexpr std::size_t kChunk = 64 * 1024;
// A class of phones at once with room to spare for some that stall; more wait in the queue.
constexpr std::size_t kServingThreads = 48;
// More ranges than any viewer asks for are refused rather than answered piece by piece.
constexpr std::size_t kMostRanges = 16;

// The library answers a range past the end as if it were served; refuse those ourselves.
bool rangesSatisfiable(const httplib::Ranges& ranges, std::int64_t size) {
    if (ranges.size() > kMostRanges) return false;
    for (const auto& [first, last] : ranges) {
        if (first < 0) {
            if (last <= 0) return false;  // "-0": no bytes
        } else if (first >= size || (last >= 0 && last < first)) {
            return false;
        }
    }
    return true;
}

// Only SO_REUSEADDR: the library's default adds SO_REUSEPORT, which lets a second socket
// bind the port and take a share of the connections.
void socketOptions(socket_t sock) {
    const int yes = 1;
    ::setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
}

}  // namespace

struct RoomServer::State {
    State(platform::UniqueFd f, std::int64_t s, RoomLink l, Fetched cb)
        : file(std::move(f)),
          size(s),
          link(std::move(l)),
          onFetched(std::move(cb)),
          thread(platform::log::share(), "The room share's server") {}

    void setUp();
    void serve(const httplib::Request& req, httplib::Response& res);
    bool send(std::size_t offset, std::size_t length, httplib::DataSink& sink, bool counts,
              const std::string& client);
    void fetchedBy(const std::string& client);

    platform::UniqueFd file;
    std::int64_t size;
    RoomLink link;
    Fetched onFetched;
    httplib::Server server;
    std::atomic<int> port{0};
    std::atomic<bool> started{false};
    std::mutex clientsMutex;
    std::set<std::string> clients;
    std::atomic<int> clientCount{0};
    platform::WorkerThread thread;
};

void RoomServer::State::setUp() {
    server.new_task_queue = [] { return new httplib::ThreadPool(kServingThreads); };
    server.set_socket_options(socketOptions);
    server.set_read_timeout(5);
    server.set_write_timeout(5);
    // An idle phone gives its thread back soon.
    server.set_keep_alive_timeout(2);
    server.set_payload_max_length(4096);
    // Before any handler: only GET and HEAD of the one target, in the one spelling.
    server.set_pre_routing_handler([this](const httplib::Request& req, httplib::Response& res) {
        const bool method = req.method == "GET" || req.method == "HEAD";
        if (method && link.matches(req.target)) return httplib::Server::HandlerResponse::Unhandled;
        qCDebug(platform::log::share) << "Room share refused" << req.method.c_str()
                                        << "of" << req.target.size() << "bytes from"
                                        << req.remote_addr.c_str();
        res.status = 404;
        res.set_content("Not found\n", "text/plain");
        return httplib::Server::HandlerResponse::Handled;
    });
    server.Get(".*", [this](const httplib::Request& req, httplib::Response& res) { serve(req, res); });
    server.set_exception_handler(
        [](const httplib::Request&, httplib::Response& res, std::exception_ptr) {
            res.status = 500;
            res.set_content("", "text/plain");
        });
}

void RoomServer::State::serve(const httplib::Request& req, httplib::Response& res) {
    res.set_header("Content-Disposition", link.disposition());
    res.set_header("Cache-Control", "no-store");
    res.set_header("X-Content-Type-Options", "nosniff");
    // A phone counts once it has the whole file, read from its start.
    if (!rangesSatisfiable(req.ranges, size)) {
        res.status = 416;
        res.set_header("Content-Range", "bytes */" + std::to_string(size));
        res.set_content("", "text/plain");
        return;
    }
    if (size == 0) {
        res.set_content("", "application/pdf");
        return;
    }
    const bool counts = req.ranges.empty() || (req.ranges.size() == 1 && req.ranges[0].first == 0);
    const std::string client = req.remote_addr;
    res.set_content_provider(
        static_cast<std::size_t>(size), "application/pdf",
        [this, counts, client](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
            return send(offset, length, sink, counts, client);
        });
}

bool RoomServer::State::send(std::size_t offset, std::size_t length, httplib::DataSink& sink,
                             bool counts, const std::string& client) {
    char buffer[kChunk];
    const std::size_t want = std::min(length, kChunk);
    ssize_t n;
    do n = ::pread(file.get(), buffer, want, static_cast<off_t>(offset));
    while (n < 0 && errno == EINTR);
    if (n <= 0) {
        platform::log::failure(platform::log::share(), "Reading the shared PDF",
                               n < 0 ? errno : EIO);
        return false;
    }
    if (!sink.write(buffer, static_cast<std::size_t>(n))) return false;
    if (counts && offset + static_cast<std::size_t>(n) == static_cast<std::size_t>(size))
        fetchedBy(client);
    return true;
}

void RoomServer::State::fetchedBy(const std::string& client) {
    int count;
    {
        std::lock_guard<std::mutex> lock(clientsMutex);
        if (!clients.insert(client).second) return;
        count = static_cast<int>(clients.size());
    }
    clientCount = count;
    if (onFetched) onFetched(count);
}

RoomServer::RoomServer(platform::UniqueFd file, std::int64_t size, RoomLink link, Fetched onFetched)
    : m(std::make_unique<State>(std::move(file), size, std::move(link), std::move(onFetched))) {
    m->setUp();
}

RoomServer::~RoomServer() {
    stop();
}

bool RoomServer::start(const std::string& host, int port) {
    if (m->started) return false;
    int bound = port;
    if (port == 0)
        bound = m->server.bind_to_any_port(host);
    else if (!m->server.bind_to_port(host, port))
        bound = -1;
    if (bound <= 0) {
        platform::log::failure(platform::log::share(), "The room share's port",
                               QStringLiteral("%1 port %2 could not be bound")
                                   .arg(QString::fromStdString(host))
                                   .arg(port));
        return false;
    }
    m->port = bound;
    httplib::Server* server = &m->server;
    m->thread.start([server] { server->listen_after_bind(); }, {},
                    platform::WorkerThread::Priority::Normal);
    m->started = true;
    // stop() only reaches a server whose loop runs; wait until it does.
    while (!server->is_running() && !m->thread.finished())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    qCDebug(platform::log::share) << "Room share listening on port" << bound;
    return true;
}

void RoomServer::stop() {
    if (!m->started.exchange(false)) return;
    m->server.stop();
    m->thread.join();
    qCDebug(platform::log::share) << "Room share closed";
}

int RoomServer::port() const {
    return m->port.load();
}

bool RoomServer::listening() const {
    return m->started.load() && m->server.is_running();
}

int RoomServer::clientsFetched() const {
    return m->clientCount.load();
}

const RoomLink& RoomServer::link() const {
    return m->link;
}

}  // namespace cloud
