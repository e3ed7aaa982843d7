// The HTTP client against a real server on 127.0.0.1 that the test runs.
#include "cloud/AnswerPieces.h"
#include "cloud/HttpClient.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

using cloud::CHttpClient;

namespace {

// What the server last received.
struct Seen {
    std::string method, path, query, body;
    httplib::Headers headers;
    int requests = 0;
};

class LocalServer {
public:
    LocalServer() {
        m_server.Get(R"(/.*)", [this](const httplib::Request& req, httplib::Response& res) {
            record(req);
            answer(req, res);
        });
        m_server.Post(R"(/.*)", [this](const httplib::Request& req, httplib::Response& res) {
            record(req);
            answer(req, res);
        });
        m_server.set_keep_alive_max_count(1);  // no idle connection holds up stop()
        m_port = m_server.bind_to_any_port("127.0.0.1");
        m_thread = std::thread([this] { m_server.listen_after_bind(); });
        // A stop before the loop has started would be missed.
        while (!m_server.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ~LocalServer() {
        m_stop = true;
        m_server.stop();
        m_thread.join();
    }
    std::string url(const std::string& path) const {
        return "http://127.0.0.1:" + std::to_string(m_port) + path;
    }
    Seen seen() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_seen;
    }
    void setAnswer(int status, std::string body) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_status = status;
        m_body = std::move(body);
    }

private:
    void record(const httplib::Request& req) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_seen.method = req.method;
        m_seen.path = req.path;
        m_seen.query = req.get_param_value("q");
        m_seen.body = req.body;
        m_seen.headers = req.headers;
        ++m_seen.requests;
    }
    void answer(const httplib::Request& req, httplib::Response& res) {
        if (req.path == "/stall") {
            for (int i = 0; i < 300 && !m_stop; ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        std::lock_guard<std::mutex> lock(m_mutex);
        res.status = m_status;
        res.set_content(m_body, "text/plain");
    }

    httplib::Server m_server;
    std::thread m_thread;
    int m_port = 0;
    std::atomic<bool> m_stop{false};
    std::mutex m_mutex;
    Seen m_seen;
    int m_status = 200;
    std::string m_body = "ok";
};

QString q(const std::string& s) {
    return QString::fromStdString(s);
}

// A port nobody listens on: bound once, then closed.
int closedPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t len = sizeof a;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    ::close(fd);
    return ntohs(a.sin_port);
}

}  // namespace

TEST(HttpClient, GetCarriesTheFormTypeTheFixedHeadersAndNoBody) {
    LocalServer server;
    CHttpClient client("UTF-8");
    QString response;
    ASSERT_EQ(client.ExecuteRequest("GET", q(server.url("/api/x?q=1")), nullptr, response), 0);
    const Seen seen = server.seen();
    EXPECT_EQ(seen.method, "GET");
    EXPECT_EQ(seen.path, "/api/x");
    EXPECT_EQ(seen.query, "1");
    EXPECT_TRUE(seen.body.empty());
    auto header = [&](const char* name) {
        auto it = seen.headers.find(name);
        return it == seen.headers.end() ? std::string("<none>") : it->second;
    };
    EXPECT_EQ(header("Content-Type"), "application/x-www-form-urlencoded");
    EXPECT_EQ(header("Accept"), "*,*/*");
    EXPECT_EQ(header("Accept-Language"), "zh-cn");
    EXPECT_EQ(header("Accept-Encoding"), "deflate");
    EXPECT_EQ(header("User-Agent"), CHttpClient::userAgent());
    EXPECT_EQ(response, "ok");
}

TEST(HttpClient, PostSendsTheBodyAsUtf8JsonWithItsByteLength) {
    LocalServer server;
    CHttpClient client("UTF-8");
    const QString body = QString::fromUtf8("{\"name\":\"Übung 测试\"}");
    QString response;
    ASSERT_EQ(client.ExecuteRequest("POST", q(server.url("/p")), &body, response), 0);
    const Seen seen = server.seen();
    const QByteArray utf8 = body.toUtf8();
    EXPECT_EQ(seen.method, "POST");
    EXPECT_EQ(seen.body, utf8.toStdString());
    EXPECT_EQ(seen.headers.find("Content-Length")->second, std::to_string(utf8.size()));
    EXPECT_EQ(seen.headers.find("Content-Type")->second, "application/json");

    const QString empty;
    ASSERT_EQ(client.ExecuteRequest("POST", q(server.url("/p")), &empty, response), 0);
    EXPECT_EQ(server.seen().headers.find("Content-Length")->second, "0");
    EXPECT_EQ(server.seen().headers.find("Content-Type")->second, "application/json");
}

TEST(HttpClient, AnErrorStatusIsAnAnswerLikeAnyOther) {
    LocalServer server;
    server.setAnswer(500, "{\"Result\":0}");
    CHttpClient client("UTF-8");
    QString response;
    EXPECT_EQ(client.ExecuteRequest("GET", q(server.url("/")), nullptr, response), 0);
    EXPECT_EQ(response, "{\"Result\":0}");
}

TEST(HttpClient, AnswersArriveWholeAcrossPieces) {
    LocalServer server;
    CHttpClient client("UTF-8");
    for (size_t size : {size_t(1024), size_t(1025), size_t(3000)}) {
        std::string body(size, 'x');
        for (size_t i = 0; i < size; ++i) body[i] = static_cast<char>('a' + i % 26);
        server.setAnswer(200, body);
        QString response;
        ASSERT_EQ(client.ExecuteRequest("GET", q(server.url("/")), nullptr, response), 0);
        EXPECT_EQ(response.toStdString(), body) << size;
    }
}

TEST(HttpClient, AZeroByteCutsOnlyItsOwnPiece) {
    // Piece one: "ab", zero, then filler; piece two whole; piece three: "z", zero, "lost".
    std::string raw = std::string("ab") + '\0' + std::string(1021, 'f');
    raw += std::string(1024, 'm');
    raw += std::string("z") + '\0' + "lost";
    EXPECT_EQ(cloud::joinAnswerPieces(raw), "ab" + std::string(1024, 'm') + "z");
    EXPECT_EQ(cloud::joinAnswerPieces(std::string(1024, 'k')), std::string(1024, 'k'));

    LocalServer server;
    server.setAnswer(200, raw);
    CHttpClient client("UTF-8");
    QString response;
    ASSERT_EQ(client.ExecuteRequest("GET", q(server.url("/")), nullptr, response), 0);
    EXPECT_EQ(response.toStdString(), "ab" + std::string(1024, 'm') + "z");
}

TEST(HttpClient, OnlyExactlyGbkDecodesAsGbk) {
    LocalServer server;
    const std::string gbk = "\xC4\xE3\xBA\xC3";  // 你好 in GBK
    const std::string utf8 = "\xE4\xBD\xA0\xE5\xA5\xBD";
    QString response;

    server.setAnswer(200, gbk);
    CHttpClient gbkClient("GBK");
    ASSERT_EQ(gbkClient.ExecuteRequest("GET", q(server.url("/")), nullptr, response), 0);
    EXPECT_EQ(response, QString::fromUtf8("你好"));

    CHttpClient lower("gbk");
    ASSERT_EQ(lower.ExecuteRequest("GET", q(server.url("/")), nullptr, response), 0);
    EXPECT_NE(response, QString::fromUtf8("你好"));
    EXPECT_TRUE(response.contains(QChar(0xFFFD)));

    server.setAnswer(200, utf8);
    CHttpClient utfClient("UTF-8");
    ASSERT_EQ(utfClient.ExecuteRequest("GET", q(server.url("/")), nullptr, response), 0);
    EXPECT_EQ(response, QString::fromUtf8("你好"));
}

TEST(HttpClient, RefusedIsAFailureAndStallingATimeOutAndTheClientGoesOn) {
    LocalServer server;
    CHttpClient client("UTF-8");
    cloud::HttpLimits limits;
    limits.totalTimeoutMs = 300;
    client.setLimits(limits);
    QString response = "stale";
    const std::string refused = "http://127.0.0.1:" + std::to_string(closedPort()) + "/";
    EXPECT_EQ(client.ExecuteRequest("GET", q(refused), nullptr, response), 1);
    EXPECT_TRUE(response.isEmpty());

    EXPECT_EQ(client.ExecuteRequest("GET", q(server.url("/stall")), nullptr, response), 2);
    EXPECT_TRUE(response.isEmpty());

    // The same client after both failures.
    EXPECT_EQ(client.ExecuteRequest("GET", q(server.url("/again")), nullptr, response), 0);
    EXPECT_EQ(response, "ok");
    EXPECT_EQ(server.seen().path, "/again");
}

TEST(HttpClient, OtherSchemesAreRefusedWithoutSendingAnything) {
    LocalServer server;
    CHttpClient client("UTF-8");
    QString response;
    const std::string ftp = "ftp://127.0.0.1" + server.url("/").substr(16);
    EXPECT_EQ(client.ExecuteRequest("GET", q(ftp), nullptr, response), 1);
    EXPECT_EQ(server.seen().requests, 0);
}

TEST(HttpClient, AnAnswerBeyondTheCapIsRefusedNotRead) {
    LocalServer server;
    server.setAnswer(200, std::string(2 << 20, 'a'));
    CHttpClient client("UTF-8");
    QString response;
    EXPECT_EQ(client.ExecuteRequest("GET", q(server.url("/")), nullptr, response), 1);
    EXPECT_TRUE(response.isEmpty());
}

TEST(HttpClient, AUrlWithoutPortUsesTheSchemesDefault) {
    httplib::Server s;
    s.Get("/", [](const httplib::Request&, httplib::Response& res) {
        res.set_content("port 80", "text/plain");
    });
    s.set_keep_alive_max_count(1);
    if (!s.bind_to_port("127.0.0.1", 80)) GTEST_SKIP() << "port 80 is not ours to take here";
    std::thread t([&] { s.listen_after_bind(); });
    while (!s.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    CHttpClient client("UTF-8");
    QString response;
    EXPECT_EQ(client.ExecuteRequest("GET", "http://127.0.0.1/", nullptr, response), 0);
    EXPECT_EQ(response, "port 80");
    s.stop();
    t.join();
}
