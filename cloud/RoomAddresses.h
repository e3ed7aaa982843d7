#pragma once
// Which of this computer's addresses the phones in the room can reach. The interface of the
// default route comes first; private addresses before public ones; point-to-point links
// (VPN tunnels) last, since no phone sits on them; loopback, link-local and interfaces that
// are down never.
#include <QByteArray>
#include <QString>
#include <QStringList>

#include <vector>

namespace cloud {

struct NetAddress {
    QString interfaceName;
    QString address;  // numeric, without a zone
    bool ipv6 = false;
    bool up = true;
    bool loopback = false;
    bool pointToPoint = false;
};

// The interfaces that carry a default route, from the text of /proc/net/route and
// /proc/net/ipv6_route.
QStringList defaultRouteInterfaces(const QByteArray& ipv4Routes, const QByteArray& ipv6Routes);

// Usable addresses, best first; each address once.
QStringList chooseAddresses(const std::vector<NetAddress>& addresses,
                            const QStringList& defaultRoutes);

// True for 10/8, 172.16/12, 192.168/16 and IPv6 unique-local fc00::/7.
bool privateAddress(const QString& address);

}  // namespace cloud
