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
    explicit CurlSession(std::string userAgent);
    ~CurlSession();
    CurlSession(const CurlSession&) = delete;
    CurlSession& operator=(const CurlSession&) = delete;

    void setLimits(const HttpLimits& limits) { m_limits = limits; }
    const HttpLimits& limits() const { return m_limits; }
    // Set from another thread to end a running exchange (as failed) at the next chance.
    void setAbortFlag(const std::atomic<bool>* abort) { m_abort = abort; }
    bool aborted() const { return m_abort != nullptr && m_abort->load(); }

    HttpReply perform(const HttpExchange& exchange);

private:
    static size_t onData(char* data, size_t size, size_t count, void* self);
    static int onProgress(void* self, long long, long long, long long, long long);
    void configure(const HttpExchange& exchange, curl_slist* headers);

    CURL* m_curl = nullptr;
    std::string m_userAgent;
    HttpLimits m_limits;
    const std::atomic<bool>* m_abort = nullptr;
    std::string* m_sink = nullptr;
    bool m_overflow = false;
};

}  // namespace cloud
