// The room share's server on the loopback: the one file at the one path, and nothing else,
// whatever a client sends.
#include "RawHttp.h"

#include "cloud/RoomServer.h"
#include "tests/support/TempDir.h"

#include <QFile>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <thread>
#include <vector>

using namespace cloud;
using testsupport::rawGet;
using testsupport::rawRequest;

namespace {

const char* kToken = "0f1e2d3c4b5a69788796a5b4c3d2e1f0";
const char* kName = "2026120909.pdf";

std::string pdfBytes(std::size_t size) {
    std::string s = "%PDF-1.4\n";
    while (s.size() < size) s += static_cast<char>('a' + s.size() % 26);
    s.resize(size);
    return s;
}

class RoomServing : public ::testing::Test {
protected:
    void SetUp() override { startWith(pdfBytes(200000)); }

    void startWith(const std::string& content) {
        m_content = content;
        const QString path = m_dir.file(kName);
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(content.data(), static_cast<qint64>(content.size()));
        f.close();
        platform::UniqueFd fd(::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC));
        ASSERT_TRUE(fd);
        m_server = std::make_unique<RoomServer>(std::move(fd), content.size(),
                                                RoomLink(kToken, kName),
                                                [this](int n) { m_lastCount = n; });
        ASSERT_TRUE(m_server->start("127.0.0.1", 0));
        m_port = m_server->port();
    }
    std::string target() const { return std::string("/") + kToken + "/" + kName; }

    testsupport::TempDir m_dir;
    std::string m_content;
    std::atomic<int> m_lastCount{0};
    std::unique_ptr<RoomServer> m_server;
    int m_port = 0;
};

}  // namespace

TEST_F(RoomServing, TheFileComesWholeAsAPdfWithItsName) {
    const auto r = rawGet(m_port, target());
    ASSERT_EQ(r.status, 200);
    EXPECT_EQ(r.body, m_content);
    EXPECT_EQ(r.headers.at("content-type"), "application/pdf");
    EXPECT_EQ(r.headers.at("content-length"), std::to_string(m_content.size()));
    EXPECT_NE(r.headers.at("content-disposition").find("filename=\"2026120909.pdf\""),
              std::string::npos);

    const auto head = rawRequest(
        m_port, "HEAD " + target() + " HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n");
    EXPECT_EQ(head.status, 200);
    EXPECT_EQ(head.headers.at("content-type"), "application/pdf");
    EXPECT_TRUE(head.body.empty());
}

TEST_F(RoomServing, EverythingButTheOneTargetIsNotFound) {
    const std::string t = std::string("/") + kToken;
    const std::vector<std::string> others = {
        "/",
        t,
        t + "/",                                         // the token's "directory"
        "/0f1e2d3c4b5a69788796a5b4c3d2e1f1/" + std::string(kName),  // wrong token
        t + "/other.pdf",
        t + "/" + kName + "/",
        t + "%2F" + kName,                                // an encoded slash
        t + "%2f" + kName,
        t + "/%32026120909.pdf",                          // the same name, encoded
        t + "/../" + kToken + "/" + kName,
        "/x/../" + std::string(kToken) + "/" + kName,
        t + "/./" + kName,
        "//" + std::string(kToken) + "/" + kName,
        t + "/" + kName + "?download=1",
        "/../../../../etc/passwd",
        "/%2e%2e/%2e%2e/etc/passwd",
        "http://127.0.0.1" + target(),                   // absolute form
    };
    for (const std::string& o : others) {
        const auto r = rawGet(m_port, o);
        EXPECT_EQ(r.status, 404) << o;
        EXPECT_EQ(r.body.find("%PDF"), std::string::npos) << o;
    }
    for (const char* method : {"POST", "PUT", "DELETE", "OPTIONS", "PATCH", "TRACE", "PROPFIND"}) {
        const auto r = rawRequest(m_port, std::string(method) + " " + target() +
                                              " HTTP/1.1\r\nHost: x\r\nContent-Length: 3\r\n"
                                              "Connection: close\r\n\r\nabc");
        EXPECT_TRUE(r.status == 404 || r.status == 400 || r.status == 405)
            << method << " " << r.status;
        EXPECT_EQ(r.body.find("%PDF"), std::string::npos) << method;
    }
    EXPECT_EQ(m_lastCount.load(), 0);
}

TEST_F(RoomServing, AVeryLongPathIsRefusedAndTheServerGoesOn) {
    for (std::size_t length : {8000u, 9000u, 100000u}) {
        const auto r = rawGet(m_port, "/" + std::string(length, 'a'));
        EXPECT_TRUE(r.status == 0 || r.status == 404 || r.status == 414 || r.status == 400)
            << length << " " << r.status;
    }
    EXPECT_EQ(rawGet(m_port, target()).status, 200);
}

TEST_F(RoomServing, RangesAreServedExactlyOrRefused) {
    auto r = rawGet(m_port, target(), "Range: bytes=0-9\r\n");
    ASSERT_EQ(r.status, 206);
    EXPECT_EQ(r.body, m_content.substr(0, 10));
    EXPECT_EQ(r.headers.at("content-range"), "bytes 0-9/200000");

    r = rawGet(m_port, target(), "Range: bytes=-5\r\n");
    ASSERT_EQ(r.status, 206);
    EXPECT_EQ(r.body, m_content.substr(m_content.size() - 5));

    r = rawGet(m_port, target(), "Range: bytes=199990-\r\n");
    ASSERT_EQ(r.status, 206);
    EXPECT_EQ(r.body, m_content.substr(199990));
    // Parts of the file are no download, even the part that ends it.
    EXPECT_EQ(m_server->clientsFetched(), 0);

    // Past the end or empty: refused with the file's size, never bytes from elsewhere.
    for (const char* beyond : {"bytes=200000-", "bytes=999999999999-", "bytes=-0",
                               "bytes=0-9,200000-200001"}) {
        r = rawGet(m_port, target(), std::string("Range: ") + beyond + "\r\n");
        EXPECT_EQ(r.status, 416) << beyond;
        EXPECT_EQ(r.headers["content-range"], "bytes */200000") << beyond;
        EXPECT_EQ(r.body.find("%PDF"), std::string::npos) << beyond;
    }
    // Backwards, overflowing or not bytes at all: refused or the whole file.
    for (const char* absurd : {"bytes=50-10", "bytes=18446744073709551615-18446744073709551616",
                               "bytes=abc", "lines=0-9", "bytes=--1"}) {
        r = rawGet(m_port, target(), std::string("Range: ") + absurd + "\r\n");
        if (r.status == 200)
            EXPECT_EQ(r.body, m_content) << absurd;
        else
            EXPECT_TRUE(r.status == 416 || r.status == 400) << absurd << " " << r.status;
        EXPECT_LT(r.body.size(), r.status == 200 ? m_content.size() + 1 : 1000u) << absurd;
    }
    // Many small ranges at once are answered without the server going down.
    std::string many = "Range: bytes=0-0";
    for (int i = 1; i < 300; ++i) many += "," + std::to_string(i) + "-" + std::to_string(i);
    r = rawGet(m_port, target(), many + "\r\n");
    EXPECT_EQ(r.status, 416);
    // A few ranges come as their parts.
    r = rawGet(m_port, target(), "Range: bytes=0-1,10-11\r\n");
    ASSERT_EQ(r.status, 206);
    EXPECT_NE(r.headers["content-type"].find("multipart/byteranges"), std::string::npos);
    EXPECT_NE(r.body.find(m_content.substr(10, 2)), std::string::npos);
    EXPECT_EQ(rawGet(m_port, target()).status, 200);
}

TEST_F(RoomServing, DevicesAreCountedOnceEachWhenTheyHaveTheWholeFile) {
    EXPECT_EQ(rawGet(m_port, target(), "Range: bytes=0-99\r\n").status, 206);
    EXPECT_EQ(m_server->clientsFetched(), 0);
    EXPECT_EQ(rawGet(m_port, target()).status, 200);
    EXPECT_EQ(rawGet(m_port, target()).status, 200);
    EXPECT_EQ(m_server->clientsFetched(), 1);
    EXPECT_EQ(rawGet(m_port, target(), {}, "127.0.0.2").status, 200);
    EXPECT_EQ(m_server->clientsFetched(), 2);
    EXPECT_EQ(m_lastCount.load(), 2);
}

TEST_F(RoomServing, HalfOpenAndSilentClientsDoNotBlockOthers) {
    std::vector<int> idle;
    for (int i = 0; i < 20; ++i) {
        const int fd = testsupport::halfOpenConnection(m_port, i % 2 ? "GET /" : "");
        if (fd >= 0) idle.push_back(fd);
    }
    std::vector<std::thread> fetchers;
    std::atomic<int> whole{0};
    for (int i = 0; i < 8; ++i)
        fetchers.emplace_back([&] {
            if (rawGet(m_port, target()).body == m_content) ++whole;
        });
    for (auto& t : fetchers) t.join();
    EXPECT_EQ(whole.load(), 8);
    for (int fd : idle) ::close(fd);
}

TEST_F(RoomServing, TheDescriptorIsReadNotThePath) {
    // Another file put where the shared one was is not what the link gives.
    const QString path = m_dir.file(kName);
    QFile::remove(path);
    QFile other(path);
    ASSERT_TRUE(other.open(QIODevice::WriteOnly));
    other.write("secret");
    other.close();
    EXPECT_EQ(rawGet(m_port, target()).body, m_content);
}

TEST_F(RoomServing, StoppedMeansGoneAndAPortInUseIsReported) {
    platform::UniqueFd fd(::open(QFile::encodeName(m_dir.file(kName)).constData(), O_RDONLY));
    RoomServer second(std::move(fd), 10, RoomLink(kToken, kName));
    EXPECT_FALSE(second.start("127.0.0.1", m_port));
    EXPECT_FALSE(second.listening());

    EXPECT_TRUE(m_server->listening());
    m_server->stop();
    EXPECT_FALSE(m_server->listening());
    EXPECT_TRUE(testsupport::connectionRefused(m_port));
    m_server->stop();  // twice is fine
}

TEST_F(RoomServing, AnEmptyFileIsServedEmpty) {
    m_server.reset();
    startWith("");
    auto r = rawGet(m_port, target());
    ASSERT_EQ(r.status, 200);
    EXPECT_EQ(r.headers["content-length"], "0");
    EXPECT_EQ(rawGet(m_port, target(), "Range: bytes=0-0\r\n").status, 416);
}
