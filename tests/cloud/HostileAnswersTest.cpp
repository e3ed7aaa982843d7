// What a hostile or broken server may answer: redirects where they should not lead, and line
// breaks meant to smuggle headers. Real servers on 127.0.0.1, plain and TLS.
#include "cloud/CurlSession.h"
#include "cloud/HttpClient.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <QProcess>

#include <chrono>
#include <mutex>
#include <set>
#include <thread>

using cloud::CurlSession;
using cloud::HttpExchange;
using cloud::HttpReply;

namespace {

// Serves /hop/N (redirects to /hop/N-1, and /hop/0 answers "arrived"), /to?url=U (redirects to
// U) and records every request with its headers.
template <class ServerT>
class RedirectServer {
public:
    template <class... Args>
    explicit RedirectServer(const char* scheme, Args&&... args)
        : m_server(std::forward<Args>(args)...), m_scheme(scheme) {
        m_server.Get(R"(/hop/(\d+))", [this](const httplib::Request& req, httplib::Response& res) {
            record(req);
            const int left = std::stoi(req.matches[1]);
            if (left == 0)
                res.set_content("arrived", "text/plain");
            else
                res.set_redirect(url("/hop/" + std::to_string(left - 1)), 301);
        });
        m_server.Get("/to", [this](const httplib::Request& req, httplib::Response& res) {
            record(req);
            res.set_redirect(req.get_param_value("url"), 302);
        });
        m_server.Get("/plain", [this](const httplib::Request& req, httplib::Response& res) {
            record(req);
            res.set_content("plain", "text/plain");
        });
        m_server.set_keep_alive_max_count(1);
        m_port = m_server.bind_to_any_port("127.0.0.1");
        m_thread = std::thread([this] { m_server.listen_after_bind(); });
        while (!m_server.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ~RedirectServer() {
        m_server.stop();
        m_thread.join();
    }
    std::string url(const std::string& path) const {
        return m_scheme + "://127.0.0.1:" + std::to_string(m_port) + path;
    }
    int requests() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_requests;
    }
    bool sawHeader(const std::string& name) {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_sawHeader.count(name) != 0;
    }

private:
    void record(const httplib::Request& req) {
        std::lock_guard<std::mutex> lock(m_mutex);
        ++m_requests;
        for (const auto& h : req.headers) m_sawHeader.insert(h.first);
    }

    ServerT m_server;
    std::string m_scheme;
    std::thread m_thread;
    int m_port = 0;
    std::mutex m_mutex;
    int m_requests = 0;
    std::multiset<std::string> m_sawHeader;
};

using PlainServer = RedirectServer<httplib::Server>;
using TlsServer = RedirectServer<httplib::SSLServer>;

HttpReply get(CurlSession& session, const std::string& url) {
    HttpExchange ex;
    ex.url = url;
    return session.perform(ex);
}

// A self-signed certificate for 127.0.0.1, made for the run.
bool makeCertificate(const testsupport::TempDir& dir) {
    QProcess openssl;
    openssl.start("openssl", {"req", "-x509", "-newkey", "ec", "-pkeyopt",
                              "ec_paramgen_curve:prime256v1", "-nodes", "-days", "2", "-subj",
                              "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1", "-keyout",
                              dir.file("key.pem"), "-out", dir.file("cert.pem")});
    return openssl.waitForFinished(30000) && openssl.exitStatus() == QProcess::NormalExit &&
           openssl.exitCode() == 0;
}

}  // namespace

TEST(Redirects, AFewAreFollowedOnTheSameHostButNotEndlessly) {
    PlainServer server("http");
    CurlSession session(cloud::CHttpClient::userAgent());
    HttpReply reply = get(session, server.url("/hop/1"));
    ASSERT_EQ(reply.outcome, 0) << reply.error;
    EXPECT_EQ(reply.status, 200);
    EXPECT_EQ(reply.body, "arrived");

    reply = get(session, server.url("/hop/5"));  // five redirects: the limit
    EXPECT_EQ(reply.outcome, 0);
    EXPECT_EQ(reply.body, "arrived");

    const int before = server.requests();
    reply = get(session, server.url("/hop/6"));
    EXPECT_EQ(reply.outcome, 1);
    EXPECT_TRUE(reply.body.empty());
    EXPECT_EQ(server.requests() - before, 1 + CurlSession::kMaxRedirects);
}

TEST(Redirects, NeverToAnotherScheme) {
    PlainServer server("http");
    CurlSession session(cloud::CHttpClient::userAgent());
    const HttpReply reply = get(session, server.url("/to?url=file:///etc/passwd"));
    EXPECT_EQ(reply.outcome, 1);
    EXPECT_TRUE(reply.body.empty());
}

TEST(Redirects, UpToHttpsIsFollowedDownFromItIsRefused) {
    testsupport::TempDir dir;
    ASSERT_TRUE(makeCertificate(dir));
    const std::string cert = dir.file("cert.pem").toStdString();
    TlsServer tls("https", cert.c_str(), dir.file("key.pem").toStdString().c_str());
    PlainServer plain("http");
    CurlSession session(cloud::CHttpClient::userAgent());
    session.setTrustedCertificates(cert);

    HttpReply reply = get(session, tls.url("/hop/0"));
    ASSERT_EQ(reply.outcome, 0) << reply.error;  // the certificate is trusted
    EXPECT_EQ(reply.body, "arrived");

    reply = get(session, plain.url("/to?url=" + tls.url("/hop/0")));
    EXPECT_EQ(reply.outcome, 0) << reply.error;
    EXPECT_EQ(reply.body, "arrived");

    reply = get(session, tls.url("/to?url=" + plain.url("/plain")));
    EXPECT_EQ(reply.outcome, 1);
    EXPECT_TRUE(reply.body.empty());
    EXPECT_EQ(plain.requests(), 1);  // only the first redirect's, none from the refused one
}

TEST(HeaderInjection, AHeaderWithALineBreakIsNeverSent) {
    PlainServer server("http");
    CurlSession session(cloud::CHttpClient::userAgent());
    for (const char* token :
         {"abc\r\nX-Injected: 1", "abc\nX-Injected: 1", "abc\rX-Injected: 1", "abc\x7f"}) {
        HttpExchange ex;
        ex.url = server.url("/plain");
        ex.headers = {std::string("Authorization: UpToken ") + token};
        const HttpReply reply = session.perform(ex);
        EXPECT_EQ(reply.outcome, 1);
        EXPECT_FALSE(reply.error.empty());
    }
    EXPECT_EQ(server.requests(), 0);
    EXPECT_FALSE(server.sawHeader("X-Injected"));

    HttpExchange ex;  // a clean one still goes
    ex.url = server.url("/plain");
    ex.headers = {"Authorization: UpToken abc"};
    EXPECT_EQ(session.perform(ex).outcome, 0);
    EXPECT_EQ(server.requests(), 1);
}
