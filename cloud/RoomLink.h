#pragma once
// The link of a share served in the room: http://<address>:<port>/<token>/<file name>. The token
// is 128 random bits from the kernel, so a link cannot be guessed from another one.
#include <QByteArray>
#include <QString>

#include <optional>
#include <string>

namespace cloud {

class RoomLink {
public:
    static constexpr int kTokenBytes = 16;

    // 32 lower-case hex digits, or nothing when the kernel gives no random bytes.
    static std::optional<QByteArray> newToken();

    RoomLink(QByteArray token, QString fileName);

    // The request target a client sends for the file: "/<token>/<encoded name>".
    const std::string& target() const { return m_target; }
    // Only the exact target, byte for byte: no query, no other spelling of the same path.
    bool matches(const std::string& requestTarget) const { return requestTarget == m_target; }
    // The URL for one address (IPv6 addresses go in brackets).
    QString url(const QString& address, int port) const;
    const QString& fileName() const { return m_fileName; }
    // The Content-Disposition value that names the download.
    std::string disposition() const;

private:
    QByteArray m_token;
    QString m_fileName;
    std::string m_target;
};

}  // namespace cloud
