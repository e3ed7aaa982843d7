#include "RoomLink.h"

#include <QUrl>

#include <sys/random.h>

#include <cerrno>

namespace cloud {

namespace {

QByteArray encodedName(const QString& fileName) {
    return QUrl::toPercentEncoding(fileName, "._-~");
}

}  // namespace

std::optional<QByteArray> RoomLink::newToken() {
    unsigned char bytes[kTokenBytes];
    std::size_t got = 0;
    while (got < sizeof bytes) {
        const ssize_t n = getrandom(bytes + got, sizeof bytes - got, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return std::nullopt;
        got += static_cast<std::size_t>(n);
    }
    return QByteArray(reinterpret_cast<const char*>(bytes), sizeof bytes).toHex();
}

RoomLink::RoomLink(QByteArray token, QString fileName)
    : m_token(std::move(token)), m_fileName(std::move(fileName)) {
    m_target = "/" + m_token.toStdString() + "/" + encodedName(m_fileName).toStdString();
}

QString RoomLink::url(const QString& address, int port) const {
    const QString host = address.contains(':') ? "[" + address + "]" : address;
    return QStringLiteral("http://%1:%2").arg(host).arg(port) + QString::fromStdString(m_target);
}

std::string RoomLink::disposition() const {
    // A plain ASCII name for old clients, the exact one in RFC 5987 form for the rest.
    QByteArray ascii;
    for (QChar c : m_fileName) {
        const char16_t u = c.unicode();
        const bool plain = u >= 0x20 && u < 0x7f && u != '"' && u != '\\' && u != '/';
        ascii += plain ? static_cast<char>(u) : '_';
    }
    return "attachment; filename=\"" + ascii.toStdString() + "\"; filename*=UTF-8''" +
           encodedName(m_fileName).toStdString();
}

}  // namespace cloud
