#include "NetInterfaces.h"

#include "platform/Log.h"

#include <QFile>

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

#include <cerrno>

namespace cloud {

namespace {

QByteArray readProc(const char* path) {
    QFile f(QString::fromLatin1(path));
    // Missing where IPv6 is off: no routes of that kind, not a failure.
    if (!f.open(QIODevice::ReadOnly)) return {};
    return f.readAll();
}

}  // namespace

std::vector<NetAddress> systemAddresses() {
    std::vector<NetAddress> out;
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) {
        platform::log::failure(platform::log::share(), "Listing the network interfaces", errno);
        return out;
    }
    for (const ifaddrs* i = list; i != nullptr; i = i->ifa_next) {
        if (i->ifa_addr == nullptr) continue;
        const int family = i->ifa_addr->sa_family;
        if (family != AF_INET && family != AF_INET6) continue;
        char text[INET6_ADDRSTRLEN] = {};
        const void* raw = family == AF_INET
                              ? static_cast<const void*>(
                                    &reinterpret_cast<const sockaddr_in*>(i->ifa_addr)->sin_addr)
                              : static_cast<const void*>(
                                    &reinterpret_cast<const sockaddr_in6*>(i->ifa_addr)->sin6_addr);
        if (inet_ntop(family, raw, text, sizeof text) == nullptr) continue;
        NetAddress a;
        a.interfaceName = QString::fromLocal8Bit(i->ifa_name);
        a.address = QString::fromLatin1(text);
        a.ipv6 = family == AF_INET6;
        a.up = (i->ifa_flags & IFF_UP) != 0 && (i->ifa_flags & IFF_RUNNING) != 0;
        a.loopback = (i->ifa_flags & IFF_LOOPBACK) != 0;
        a.pointToPoint = (i->ifa_flags & IFF_POINTOPOINT) != 0;
        out.push_back(a);
    }
    freeifaddrs(list);
    return out;
}

QStringList systemDefaultRoutes() {
    return defaultRouteInterfaces(readProc("/proc/net/route"), readProc("/proc/net/ipv6_route"));
}

}  // namespace cloud
