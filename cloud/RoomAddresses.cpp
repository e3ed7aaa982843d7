#include "RoomAddresses.h"

#include <arpa/inet.h>

#include <algorithm>
#include <cstring>
#include <optional>

namespace cloud {

namespace {

// An address in network byte order: 4 bytes for IPv4, 16 for IPv6.
struct Parsed {
    bool v6 = false;
    unsigned char b[16] = {};
};

std::optional<Parsed> parse(const QString& address) {
    Parsed p;
    const QByteArray text = address.toLatin1();
    if (inet_pton(AF_INET, text.constData(), p.b) == 1) return p;
    p.v6 = true;
    if (inet_pton(AF_INET6, text.constData(), p.b) == 1) return p;
    return std::nullopt;
}

// The canonical text, so one address spelt two ways is listed once.
QString canonical(const Parsed& p) {
    char text[INET6_ADDRSTRLEN] = {};
    inet_ntop(p.v6 ? AF_INET6 : AF_INET, p.b, text, sizeof text);
    return QString::fromLatin1(text);
}

bool unusable(const NetAddress& a) {
    if (!a.up || a.loopback) return true;
    const auto p = parse(a.address);
    if (!p) return true;
    const unsigned char* b = p->b;
    if (!p->v6) {
        return b[0] == 0 || b[0] == 127 || (b[0] == 169 && b[1] == 254) || b[0] >= 224;
    }
    static const unsigned char zero[16] = {};
    if (std::memcmp(b, zero, 15) == 0) return true;         // :: and ::1
    if (b[0] == 0xfe && (b[1] & 0xc0) == 0x80) return true;  // link-local
    if (b[0] == 0xff) return true;                           // multicast
    // An IPv4-mapped address is the IPv4 one again.
    static const unsigned char mapped[12] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xff, 0xff};
    return std::memcmp(b, mapped, 12) == 0;
}

// Lower ranks first.
int rank(const NetAddress& a, const QStringList& defaultRoutes) {
    int r = 0;
    if (a.pointToPoint) r += 8;
    if (!defaultRoutes.contains(a.interfaceName)) r += 4;
    if (!privateAddress(a.address)) r += 2;
    if (a.ipv6) r += 1;
    return r;
}

QStringList defaultIpv4(const QByteArray& text) {
    QStringList out;
    // Iface Destination Gateway Flags ...: a destination of 00000000 with mask 00000000.
    for (const QByteArray& line : text.split('\n')) {
        const QList<QByteArray> f = line.simplified().split(' ');
        if (f.size() < 8 || f[0] == "Iface") continue;
        if (f[1] == "00000000" && f[7] == "00000000" && !out.contains(QString::fromLatin1(f[0])))
            out << QString::fromLatin1(f[0]);
    }
    return out;
}

QStringList defaultIpv6(const QByteArray& text) {
    QStringList out;
    // dest prefixlen src srclen next-hop metric refcnt use flags iface.
    static const QByteArray zero(32, '0');
    for (const QByteArray& line : text.split('\n')) {
        const QList<QByteArray> f = line.simplified().split(' ');
        if (f.size() < 10 || f[0] != zero || f[1] != "00") continue;
        const QString name = QString::fromLatin1(f[9]);
        // The kernel keeps an unreachable default on lo.
        if (name != "lo" && !out.contains(name)) out << name;
    }
    return out;
}

}  // namespace

bool privateAddress(const QString& address) {
    const auto p = parse(address);
    if (!p) return false;
    const unsigned char* b = p->b;
    if (p->v6) return (b[0] & 0xfe) == 0xfc;
    return b[0] == 10 || (b[0] == 172 && (b[1] & 0xf0) == 16) || (b[0] == 192 && b[1] == 168);
}

QStringList defaultRouteInterfaces(const QByteArray& ipv4Routes, const QByteArray& ipv6Routes) {
    QStringList out = defaultIpv4(ipv4Routes);
    for (const QString& name : defaultIpv6(ipv6Routes))
        if (!out.contains(name)) out << name;
    return out;
}

QStringList chooseAddresses(const std::vector<NetAddress>& addresses,
                            const QStringList& defaultRoutes) {
    std::vector<const NetAddress*> usable;
    for (const NetAddress& a : addresses)
        if (!unusable(a)) usable.push_back(&a);
    std::stable_sort(usable.begin(), usable.end(), [&](const NetAddress* x, const NetAddress* y) {
        return rank(*x, defaultRoutes) < rank(*y, defaultRoutes);
    });
    QStringList out;
    for (const NetAddress* a : usable) {
        const QString text = canonical(*parse(a->address));
        if (!out.contains(text)) out << text;
    }
    return out;
}

}  // namespace cloud
