#include "CloudProcess.h"

#include "cloud/CloudAnswers.h"
#include "cloud/CurlSession.h"

#include <QRegularExpression>

namespace testsupport {

namespace {

cloud::HttpReply exchange(const std::string& verb, const std::string& url,
                          const std::string& body) {
    cloud::CurlSession session("tests");
    cloud::HttpExchange ex;
    ex.verb = verb;
    ex.url = url;
    ex.hasBody = verb == "POST";
    ex.body = body;
    cloud::HttpLimits limits;
    limits.maxAnswerBytes = 64 << 20;
    session.setLimits(limits);
    return session.perform(ex);
}

}  // namespace

CloudProcess::CloudProcess() {
    m_process.setProgram(QStringLiteral(OSTRELY_BIN_DIR "/ostrely-cloud"));
    m_process.setArguments({"--stall-ms", "1500"});
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.start();
    if (!m_process.waitForStarted(5000)) return;
    QByteArray out;
    while (!out.contains('\n') && m_process.waitForReadyRead(5000)) out += m_process.readAll();
    const QRegularExpression line("listening on 127\\.0\\.0\\.1:(\\d+)");
    const auto match = line.match(QString::fromUtf8(out));
    if (match.hasMatch()) m_port = match.captured(1).toInt();
}

CloudProcess::~CloudProcess() {
    m_process.terminate();
    if (!m_process.waitForFinished(3000)) m_process.kill();
    m_process.waitForFinished(1000);
}

QString CloudProcess::apiHost() const {
    return QString("localhost:%1").arg(m_port);
}

QString CloudProcess::storageUrl() const {
    return QString("http://127.0.0.1:%1").arg(m_port);
}

cloud::CloudConfig CloudProcess::config(long timeoutMs) const {
    cloud::CloudConfig c(apiHost(), storageUrl());
    cloud::HttpLimits limits;
    limits.totalTimeoutMs = timeoutMs;
    c.setLimits(limits);
    return c;
}

void CloudProcess::setFaults(const std::string& faults) {
    exchange("POST", storageUrl().toStdString() + "/_sim/fail", faults);
}

void CloudProcess::reset() {
    exchange("POST", storageUrl().toStdString() + "/_sim/reset", "");
}

std::string CloudProcess::stats() {
    return exchange("GET", storageUrl().toStdString() + "/_sim/stats", "").body;
}

bool CloudProcess::download(const std::string& key, std::string* bytes) {
    const cloud::HttpReply r = exchange("GET", storageUrl().toStdString() + "/" + key, "");
    *bytes = r.body;
    return r.outcome == 0 && r.status == 200;
}

bool CloudProcess::grant(const std::string& name, std::string* token, std::string* key) {
    const cloud::HttpReply r = exchange(
        "GET", storageUrl().toStdString() + "/api/getanonymousqiniuuptokenkey?name=" + name, "");
    cloud::UploadGrant g;
    if (cloud::parseTokenAnswer(r.body, &g) != cloud::GrantParse::Ok) return false;
    *token = g.uptoken;
    *key = g.key;
    return true;
}

CloudProcess& sharedCloud() {
    static CloudProcess process;
    return process;
}

}  // namespace testsupport
