// The pure parts of a share in the room: which mode, which address, which link, how long.
#include "cloud/RoomAddresses.h"
#include "cloud/RoomLifetime.h"
#include "cloud/RoomLink.h"
#include "cloud/ShareMode.h"
#include "tests/support/TempDir.h"

#include <QFile>

#include <gtest/gtest.h>

#include <set>

using namespace cloud;

namespace {

NetAddress at(const char* name, const char* address, bool pointToPoint = false) {
    NetAddress a;
    a.interfaceName = name;
    a.address = address;
    a.ipv6 = QString(address).contains(':');
    a.loopback = QString(name) == "lo";
    a.pointToPoint = pointToPoint;
    return a;
}

// Lines as the kernel writes them in /proc/net/route and /proc/net/ipv6_route.
const char* kRouteHeader =
    "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\t\tMTU\tWindow\tIRTT\n";

QString adminFile(const testsupport::TempDir& dir, const char* text) {
    static int n = 0;
    const QString path = dir.file(QString("Room%1.conf").arg(++n));
    QFile f(path);
    f.open(QIODevice::WriteOnly | QIODevice::Truncate);
    f.write(text);
    return path;
}

}  // namespace

TEST(RoomAddresses, OneLanGivesItsPrivateAddressFirstAndNeverLoopbackOrLinkLocal) {
    const std::vector<NetAddress> list = {at("lo", "127.0.0.1"), at("lo", "::1"),
                                          at("wlp2s0", "192.168.1.23"),
                                          at("wlp2s0", "fe80::1c2b:3aff:fe11:2233"),
                                          at("wlp2s0", "2a02:8108:1:2::17")};
    const QByteArray routes = QByteArray(kRouteHeader) +
                              "wlp2s0\t00000000\t0101A8C0\t0003\t0\t0\t600\t00000000\t0\t0\t0\n"
                              "wlp2s0\t0001A8C0\t00000000\t0001\t0\t0\t600\t00FFFFFF\t0\t0\t0\n";
    const QStringList choice = chooseAddresses(list, defaultRouteInterfaces(routes, {}));
    EXPECT_EQ(choice, QStringList({"192.168.1.23", "2a02:8108:1:2::17"}));
}

TEST(RoomAddresses, TheLanWinsOverAVpnWhateverTheOrder) {
    // The tunnel is listed first and has a private address as well.
    const std::vector<NetAddress> list = {at("tun0", "10.8.0.6", true), at("lo", "127.0.0.1"),
                                          at("enp3s0", "172.20.4.51")};
    const QByteArray routes = QByteArray(kRouteHeader) +
                              "tun0\t0000080A\t00000000\t0001\t0\t0\t0\t0000FFFF\t0\t0\t0\n"
                              "enp3s0\t00000000\t010414AC\t0003\t0\t0\t100\t00000000\t0\t0\t0\n";
    EXPECT_EQ(chooseAddresses(list, defaultRouteInterfaces(routes, {})),
              QStringList({"172.20.4.51", "10.8.0.6"}));
    // A tunnel that takes the default route is still no place for the phones.
    const QByteArray fullTunnel = QByteArray(kRouteHeader) +
                                  "tun0\t00000000\t00000000\t0001\t0\t0\t0\t00000000\t0\t0\t0\n";
    EXPECT_EQ(chooseAddresses(list, defaultRouteInterfaces(fullTunnel, {})).first(),
              "172.20.4.51");
}

TEST(RoomAddresses, OnlyLoopbackOrNothingUpLeavesNoAddress) {
    EXPECT_TRUE(chooseAddresses({at("lo", "127.0.0.1"), at("lo", "::1")}, {"lo"}).isEmpty());
    NetAddress down = at("eth0", "192.168.0.4");
    down.up = false;
    EXPECT_TRUE(chooseAddresses({down, at("eth0", "169.254.7.1")}, {"eth0"}).isEmpty());
    EXPECT_TRUE(chooseAddresses({}, {}).isEmpty());
}

TEST(RoomAddresses, Ipv6OnlyPrefersTheUniqueLocalAddressOnTheDefaultRoute) {
    const std::vector<NetAddress> list = {
        at("lo", "::1"), at("eth0", "fe80::a00:27ff:fe4e:66a1"),
        at("eth0", "2001:db8:0:1::a"), at("eth0", "fd12:3456:789a:1::a"),
        at("eth1", "fd00:aaaa::5")};
    // The kernel's own unreachable default on lo does not count.
    const QByteArray routes6 =
        "00000000000000000000000000000000 00 00000000000000000000000000000000 00 "
        "fe800000000000000000000000000001 00000400 00000001 00000000 00000003 eth0\n"
        "00000000000000000000000000000000 00 00000000000000000000000000000000 00 "
        "00000000000000000000000000000000 ffffffff 00000001 00000000 00200200 lo\n";
    const QStringList defaults = defaultRouteInterfaces({}, routes6);
    EXPECT_EQ(defaults, QStringList({"eth0"}));
    EXPECT_EQ(chooseAddresses(list, defaults),
              QStringList({"fd12:3456:789a:1::a", "2001:db8:0:1::a", "fd00:aaaa::5"}));
}

TEST(RoomAddresses, PrivateRangesHaveExactEdges) {
    EXPECT_TRUE(privateAddress("10.255.255.255"));
    EXPECT_TRUE(privateAddress("172.16.0.1"));
    EXPECT_TRUE(privateAddress("172.31.255.254"));
    EXPECT_FALSE(privateAddress("172.32.0.1"));
    EXPECT_FALSE(privateAddress("172.15.255.255"));
    EXPECT_TRUE(privateAddress("192.168.0.1"));
    EXPECT_FALSE(privateAddress("192.169.0.1"));
    EXPECT_TRUE(privateAddress("fdff::1"));
    EXPECT_FALSE(privateAddress("fe00::1"));
    EXPECT_FALSE(privateAddress("not an address"));
    // One address spelt two ways is offered once, in the usual spelling.
    EXPECT_EQ(chooseAddresses({at("eth0", "fd00:0:0:0::1"), at("eth0", "fd00::1")}, {"eth0"}),
              QStringList({"fd00::1"}));
}

TEST(RoomLink, TokensAre128RandomBitsInHex) {
    std::set<QByteArray> seen;
    for (int i = 0; i < 64; ++i) {
        const auto t = RoomLink::newToken();
        ASSERT_TRUE(t.has_value());
        EXPECT_EQ(t->size(), 32);
        EXPECT_EQ(QByteArray::fromHex(*t).toHex(), *t);
        seen.insert(*t);
    }
    EXPECT_EQ(seen.size(), 64u);
}

TEST(RoomLink, UrlsBracketIpv6AndTheTargetIsTheOnlyMatch) {
    const RoomLink link("00112233445566778899aabbccddeeff", "2026120909.pdf");
    EXPECT_EQ(link.url("192.168.1.23", 8080).toStdString(),
              "http://192.168.1.23:8080/00112233445566778899aabbccddeeff/2026120909.pdf");
    EXPECT_EQ(link.url("fd00::1", 80).toStdString(),
              "http://[fd00::1]:80/00112233445566778899aabbccddeeff/2026120909.pdf");
    EXPECT_TRUE(link.matches("/00112233445566778899aabbccddeeff/2026120909.pdf"));
    for (const char* other : {"/00112233445566778899aabbccddeeff/2026120909.pdf?x=1",
                              "/00112233445566778899aabbccddeeff%2F2026120909.pdf",
                              "/00112233445566778899aabbccddeeff/./2026120909.pdf",
                              "/00112233445566778899AABBCCDDEEFF/2026120909.pdf",
                              "//00112233445566778899aabbccddeeff/2026120909.pdf",
                              "/00112233445566778899aabbccddeeff/", ""})
        EXPECT_FALSE(link.matches(other)) << other;
}

TEST(RoomLink, OddFileNamesAreEncodedInTheLinkAndTheDownloadName) {
    const RoomLink link("ab", QString::fromUtf8("Lesson \"1\"/ü.pdf"));
    EXPECT_EQ(link.target(), "/ab/Lesson%20%221%22%2F%C3%BC.pdf");
    EXPECT_EQ(link.disposition(),
              "attachment; filename=\"Lesson _1___.pdf\"; "
              "filename*=UTF-8''Lesson%20%221%22%2F%C3%BC.pdf");
}

TEST(RoomLifetime, OpenWhileShownThenForTheLingerAfterTheLastClose) {
    const QDateTime t0 = QDateTime::fromSecsSinceEpoch(1'800'000'000, Qt::UTC);
    RoomLifetime life(std::chrono::seconds(600));
    EXPECT_TRUE(life.update(true, t0));
    EXPECT_EQ(life.closesAt(t0.addSecs(5)), t0.addSecs(605));
    EXPECT_TRUE(life.update(false, t0.addSecs(10)));
    EXPECT_EQ(life.closesAt(t0.addSecs(300)), t0.addSecs(610));
    EXPECT_TRUE(life.update(false, t0.addSecs(609)));
    EXPECT_FALSE(life.update(false, t0.addSecs(610)));
    // Shown again in time: the count starts over from the next close.
    RoomLifetime again(std::chrono::seconds(60));
    again.update(false, t0);
    EXPECT_TRUE(again.update(true, t0.addSecs(59)));
    EXPECT_TRUE(again.update(false, t0.addSecs(100)));
    EXPECT_FALSE(again.update(false, t0.addSecs(160)));
    // No linger: closed as soon as the view is seen closed.
    RoomLifetime none(std::chrono::seconds(0));
    EXPECT_FALSE(none.update(false, t0));
}

TEST(ShareMode, TheAdministratorDecidesThenTheBuildsCloudHost) {
    ModeInputs in;
    in.cloudHost = "cloud.ostrely.example";
    EXPECT_EQ(chooseShareMode(in), ShareMode::Room);
    in.cloudHost = "api.school-cloud.eu:8443";
    EXPECT_EQ(chooseShareMode(in), ShareMode::Cloud);
    in.environmentMode = "room";
    EXPECT_EQ(chooseShareMode(in), ShareMode::Room);
    in.adminMode = " Cloud ";
    EXPECT_EQ(chooseShareMode(in), ShareMode::Cloud);
    in.adminMode = "off";
    EXPECT_EQ(chooseShareMode(in), ShareMode::Off);
    // A word the program does not know is not read as "off".
    in.adminMode = "rooom";
    EXPECT_EQ(chooseShareMode(in), ShareMode::Room);
    in.adminMode = "room";
    in.adminEnabled = false;
    EXPECT_EQ(chooseShareMode(in), ShareMode::Off);
    in.adminEnabled = true;
    in.built = false;
    EXPECT_EQ(chooseShareMode(in), ShareMode::Off);
}

TEST(ShareMode, PlaceholderHostsAreReservedNames) {
    for (const char* h : {"", "cloud.ostrely.example", "EXAMPLE", "x.invalid:80", "a.test"})
        EXPECT_TRUE(placeholderCloudHost(h)) << h;
    for (const char* h : {"localhost:8123", "cloud.example.com", "10.0.0.2:80"})
        EXPECT_FALSE(placeholderCloudHost(h)) << h;
}

TEST(ShareMode, TheSystemFileGivesModePortAndMinutes) {
    testsupport::TempDir dir;
    qunsetenv("OSTRELY_SHARE_MODE");
    qunsetenv("OSTRELY_ROOM_PORT");
    qunsetenv("OSTRELY_ROOM_LINGER_S");
    EXPECT_EQ(readShareMode(adminFile(dir, "[Share]\nMode=room\n")), ShareMode::Room);
    EXPECT_EQ(readShareMode(adminFile(dir, "[Share]\nMode=cloud\n")), ShareMode::Cloud);
    EXPECT_EQ(readShareMode(adminFile(dir, "[Share]\nMode=off\n")), ShareMode::Off);
    EXPECT_EQ(readShareMode(adminFile(dir, "[Share]\nMode=room\nEnabled=false\n")), ShareMode::Off);

    const RoomSettings s = readRoomSettings(adminFile(dir, "[Share]\nRoomPort=8470\nRoomMinutes=3\n"));
    EXPECT_EQ(s.port, 8470);
    EXPECT_EQ(s.linger, std::chrono::seconds(180));
    // Out of range: the defaults stay.
    const RoomSettings bad = readRoomSettings(adminFile(dir, "[Share]\nRoomPort=70000\nRoomMinutes=-4\n"));
    EXPECT_EQ(bad.port, 0);
    EXPECT_EQ(bad.linger, std::chrono::seconds(600));
    qputenv("OSTRELY_ROOM_LINGER_S", "2");
    EXPECT_EQ(readRoomSettings(dir.file("absent.conf")).linger, std::chrono::seconds(2));
    qunsetenv("OSTRELY_ROOM_LINGER_S");
}
