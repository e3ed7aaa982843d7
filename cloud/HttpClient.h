#pragma once
// One synchronous HTTP(S) request at a time; the answer body comes back as text whatever the
// status code. One easy handle per client, reused across requests.
#include "cloud/CurlSession.h"

#include <QString>

namespace cloud {

class CHttpClient {
public:
    // charset "GBK" (exactly) decodes answers as GBK; any other name as UTF-8.
    explicit CHttpClient(const QString& charset);
    virtual ~CHttpClient();

    // 0 the exchange completed (any status), 1 failed, 2 timed out. body null: no body, the form
    // content type; otherwise the body goes out as UTF-8 JSON.
    int ExecuteRequest(const QString& verb, const QString& url, const QString* body,
                       QString& response);

    void setLimits(const HttpLimits& limits) { m_session.setLimits(limits); }
    void setAbortFlag(const std::atomic<bool>* abort) { m_session.setAbortFlag(abort); }
    const QString& charset() const { return m_charset; }
    // Whether the last request got an answer from its peer (of any status): false when the
    // network or the host could not be reached.
    bool reachedPeer() const { return m_reachedPeer; }

    static const char* userAgent();

private:
    CurlSession m_session;
    QString m_charset;
    bool m_reachedPeer = false;
};

}  // namespace cloud
