#include "CurlSession.h"

#include "HeaderText.h"

#include <curl/curl.h>

#include <algorithm>
#include <cctype>

#include <mutex>

namespace cloud {

namespace {

// curl_global_init is not thread-safe on every build; run it once for the process.
void initCurlOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

bool isTimeout(CURLcode code) {
    return code == CURLE_OPERATION_TIMEDOUT;
}

bool startsHttps(const std::string& url) {
    return url.size() >= 8 && std::equal(url.begin(), url.begin() + 8, "https://",
                                         [](char a, char b) { return std::tolower(a) == b; });
}

}  // namespace

CurlSession::CurlSession(std::string userAgent) : m_userAgent(std::move(userAgent)) {
    initCurlOnce();
    m_curl = curl_easy_init();
}

CurlSession::~CurlSession() {
    if (m_curl != nullptr) curl_easy_cleanup(m_curl);
}

size_t CurlSession::onData(char* data, size_t size, size_t count, void* self) {
    auto* s = static_cast<CurlSession*>(self);
    const size_t n = size * count;
    if (s->m_sink->size() + n > s->m_limits.maxAnswerBytes) {
        s->m_overflow = true;
        return 0;  // curl ends the transfer with a write error
    }
    s->m_sink->append(data, n);
    return n;
}

int CurlSession::onProgress(void* self, long long, long long, long long, long long) {
    return static_cast<CurlSession*>(self)->aborted() ? 1 : 0;
}

void CurlSession::configure(const HttpExchange& ex, curl_slist* headers) {
    CURL* c = m_curl;
    curl_easy_reset(c);  // keeps the live connection and the DNS cache
    curl_easy_setopt(c, CURLOPT_URL, ex.url.c_str());
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
    // Redirects as a browser takes them: a few, up to https but never down from it.
    curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(c, CURLOPT_MAXREDIRS, kMaxRedirects);
    curl_easy_setopt(c, CURLOPT_REDIR_PROTOCOLS_STR, startsHttps(ex.url) ? "https" : "http,https");
    curl_easy_setopt(c, CURLOPT_USERAGENT, m_userAgent.c_str());
    curl_easy_setopt(c, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    // Certificates are checked: a lenient client would hand the upload to anyone on the network.
    curl_easy_setopt(c, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(c, CURLOPT_SSL_VERIFYHOST, 2L);
    if (!m_caFile.empty()) curl_easy_setopt(c, CURLOPT_CAINFO, m_caFile.c_str());
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, m_limits.connectTimeoutMs);
    curl_easy_setopt(c, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(c, CURLOPT_LOW_SPEED_TIME, m_limits.stallTimeoutSec);
    curl_easy_setopt(c, CURLOPT_TIMEOUT_MS, m_limits.totalTimeoutMs);
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, &CurlSession::onData);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, &CurlSession::onProgress);
    curl_easy_setopt(c, CURLOPT_XFERINFODATA, this);
    if (ex.verb == "GET") {
        curl_easy_setopt(c, CURLOPT_HTTPGET, 1L);
    } else {
        if (ex.verb != "POST")
            curl_easy_setopt(c, CURLOPT_CUSTOMREQUEST, ex.verb.c_str());
        else
            curl_easy_setopt(c, CURLOPT_POST, 1L);
    }
    if (ex.hasBody) {
        curl_easy_setopt(c, CURLOPT_POSTFIELDS, ex.body.data());
        curl_easy_setopt(c, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(ex.body.size()));
    } else if (ex.verb == "POST") {
        curl_easy_setopt(c, CURLOPT_POSTFIELDS, "");
        curl_easy_setopt(c, CURLOPT_POSTFIELDSIZE, 0L);
    }
}

HttpReply CurlSession::perform(const HttpExchange& ex) {
    HttpReply reply;
    if (m_curl == nullptr) {
        reply.error = "no curl handle";
        return reply;
    }
    for (const std::string& h : ex.headers) {
        if (!isSafeHeaderText(h)) {
            reply.error = "control characters in a request header";
            return reply;
        }
    }
    curl_slist* headers = nullptr;
    for (const std::string& h : ex.headers) headers = curl_slist_append(headers, h.c_str());
    // curl would otherwise wait for a 100 Continue before larger bodies.
    headers = curl_slist_append(headers, "Expect:");
    configure(ex, headers);
    m_sink = &reply.body;
    m_overflow = false;
    const CURLcode code = curl_easy_perform(m_curl);
    curl_slist_free_all(headers);
    m_sink = nullptr;
    if (code == CURLE_OK) {
        curl_easy_getinfo(m_curl, CURLINFO_RESPONSE_CODE, &reply.status);
        reply.outcome = 0;
        return reply;
    }
    reply.body.clear();
    reply.outcome = isTimeout(code) ? 2 : 1;
    reply.error = m_overflow ? "answer too large" : curl_easy_strerror(code);
    return reply;
}

}  // namespace cloud
