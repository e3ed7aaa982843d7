#pragma once
// One libcurl easy handle, reused across exchanges so its connection stays alive between them.
#include "cloud/HttpLimits.h"

#include <atomic>
#include <string>
#include <vector>

typedef void CURL;
struct curl_slist;

namespace cloud {

struct HttpExchange {
    std::string verb = "GET";
    std::string url;
    std::vector<std::string> headers;
    bool hasBody = false;
    std::string body;
};

// What came back. outcome: 0 the exchange completed (any status), 1 failed, 2 timed out.
struct HttpReply {
    int outcome = 1;
    long status = 0;
    std::string body;
    std::string error;
};

class CurlSession {
public:
    static constexpr long kMaxRedirects = 5;

    explicit CurlSession(std::string userAgent);
    ~CurlSession();
    CurlSession(const CurlSession&) = delete;
    CurlSession& operator=(const CurlSession&) = delete;

    void setLimits(const HttpLimits& limits) { m_limits = limits; }
    const HttpLimits& limits() const { return m_limits; }
    // Set from another thread to end a running exchange (as failed) at the next chance.
    void setAbortFlag(const std::atomic<bool>* abort) { m_abort = abort; }
    // A certificate file to trust instead of the system's (a private or test server).
    void setTrustedCertificates(std::string path) { m_caFile = std::move(path); }
    bool aborted() const { return m_abort != nullptr && m_abort->load(); }

    // A header with a control character in it is not sent: the exchange fails at once.
    HttpReply perform(const HttpExchange& exchange);

private:
    static size_t onData(char* data, size_t size, size_t count, void* self);
    static int onProgress(void* self, long long, long long, long long, long long);
    void configure(const HttpExchange& exchange, curl_slist* headers);

    CURL* m_curl = nullptr;
    std::string m_userAgent;
    std::string m_caFile;
    HttpLimits m_limits;
    const std::atomic<bool>* m_abort = nullptr;
    std::string* m_sink = nullptr;
    bool m_overflow = false;
};

}  // namespace cloud
