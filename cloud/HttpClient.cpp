#include "HttpClient.h"

#include "AnswerPieces.h"
#include "TextCodec.h"

namespace cloud {

namespace {

bool isHttpUrl(const QString& url) {
    return url.startsWith(QLatin1String("http://"), Qt::CaseInsensitive) ||
           url.startsWith(QLatin1String("https://"), Qt::CaseInsensitive);
}

}  // namespace

const char* CHttpClient::userAgent() {
    return "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1; SV1; .NET CLR 2.0.50727)";
}

CHttpClient::CHttpClient(const QString& charset) : m_session(userAgent()), m_charset(charset) {}

CHttpClient::~CHttpClient() = default;

int CHttpClient::ExecuteRequest(const QString& verb, const QString& url, const QString* body,
                                QString& response) {
    response.clear();
    m_reachedPeer = false;
    if (!isHttpUrl(url)) return 1;
    HttpExchange ex;
    ex.verb = verb.toStdString();
    ex.url = url.toStdString();
    // Deflate is offered as a plain header; the body is taken as it arrives, undecoded.
    ex.headers = {"Accept: *,*/*", "Accept-Language: zh-cn", "Accept-Encoding: deflate"};
    if (body != nullptr) {
        ex.headers.push_back("Content-Type: application/json");
        ex.hasBody = true;
        const QByteArray utf8 = body->toUtf8();
        ex.body.assign(utf8.constData(), static_cast<size_t>(utf8.size()));
    } else {
        ex.headers.push_back("Content-Type: application/x-www-form-urlencoded");
    }
    const HttpReply reply = m_session.perform(ex);
    if (reply.outcome != 0) return reply.outcome;
    m_reachedPeer = true;
    response = decodeAnswer(joinAnswerPieces(reply.body), m_charset);
    return 0;
}

}  // namespace cloud
