#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include <linux/rtnetlink.h>
#include <net/if_arp.h>

#include "patchwell/download/control/network_state.h"

namespace patchwell::download {
namespace {

const QString kRoutes4 = QStringLiteral(
    "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\t\tMTU\tWindow\tIRTT\n"
    "eth0\t00000000\t010200C0\t0003\t0\t0\t0\t00000000\t0\t0\t0\n"
    "eth0\t000200C0\t00000000\t0001\t0\t0\t0\t00FFFFFF\t0\t0\t0\n");

const QString kRoutes6 = QStringLiteral(
    "fe800000000000000000000000000000 40 00000000000000000000000000000000 00 "
    "00000000000000000000000000000000 00000100 00000002 00000000 00000001     eth0\n"
    "00000000000000000000000000000000 00 00000000000000000000000000000000 00 "
    "fd000000000000000000000000000001 00000400 00000002 00000000 00000003     wlan0\n"
    "00000000000000000000000000000000 00 00000000000000000000000000000000 00 "
    "00000000000000000000000000000000 ffffffff 00000001 00000000 00200200       lo\n");

InterfaceInfo Interface(const char* name, int type, bool pointToPoint = false) {
    InterfaceInfo info;
    info.name = QString::fromLatin1(name);
    info.up = true;
    info.hasAddress = true;
    info.hardwareType = type;
    info.pointToPoint = pointToPoint;
    return info;
}

TEST(NetworkState, DefaultRoutesOfBothFamilies) {
    EXPECT_EQ(DefaultRouteInterfaces(kRoutes4, kRoutes6),
              (std::vector<QString>{QStringLiteral("eth0"), QStringLiteral("wlan0")}));
    EXPECT_TRUE(DefaultRouteInterfaces(QString(), QString()).empty());
    // A route that is down or rejects is no way out.
    const QString down = QStringLiteral(
        "Iface\tDestination\tGateway\tFlags\tRefCnt\tUse\tMetric\tMask\n"
        "eth0\t00000000\t010200C0\t0002\t0\t0\t0\t00000000\n"
        "eth1\t00000000\t010200C0\t0201\t0\t0\t0\t00000000\n");
    EXPECT_TRUE(DefaultRouteInterfaces(down, QString()).empty());
}

TEST(NetworkState, OnlineThroughARoutedInterfaceWithItsKind) {
    ConnectionStatus status = EvaluateConnection({Interface("eth0", 1)}, kRoutes4, QString());
    EXPECT_TRUE(status.online);
    EXPECT_EQ(status.flags, ConnectionStatus::kLan);

    InterfaceInfo ppp = Interface("ppp0", 512, true);
    const QString pppRoute = QStringLiteral(
        "Iface\tDestination\tGateway\tFlags\tRefCnt\tUse\tMetric\tMask\n"
        "ppp0\t00000000\t00000000\t0001\t0\t0\t0\t00000000\n");
    status = EvaluateConnection({ppp, Interface("eth0", 1)}, pppRoute, QString());
    EXPECT_TRUE(status.online);
    EXPECT_EQ(status.flags, ConnectionStatus::kModem);

    status = EvaluateConnection(
        {Interface("wwan0", 519)}, QString(),
        QStringLiteral(
            "00000000000000000000000000000000 00 00000000000000000000000000000000 00 "
            "00000000000000000000000000000000 00000400 00000002 00000000 00000001 wwan0\n"));
    EXPECT_TRUE(status.online);
    EXPECT_EQ(status.flags, ConnectionStatus::kModem);
}

TEST(NetworkState, OfflineCases) {
    // No default route at all.
    EXPECT_FALSE(EvaluateConnection({Interface("eth0", 1)}, QString(), QString()).online);
    // The routed interface is down, has no address, or is loopback.
    InterfaceInfo down = Interface("eth0", 1);
    down.up = false;
    EXPECT_FALSE(EvaluateConnection({down}, kRoutes4, QString()).online);
    InterfaceInfo bare = Interface("eth0", 1);
    bare.hasAddress = false;
    EXPECT_FALSE(EvaluateConnection({bare}, kRoutes4, QString()).online);
    InterfaceInfo loop = Interface("lo", 772);
    loop.loopback = true;
    const ConnectionStatus status = EvaluateConnection({loop}, kRoutes4, kRoutes6);
    EXPECT_FALSE(status.online);
    EXPECT_EQ(status.flags, 0u);
}

// A netlink route message: a route of `table` to a destination prefix of
// `prefix` bits through the interface with `index`.
std::string RouteMessage(int table, unsigned char prefix, unsigned char type, int index) {
    struct {
        nlmsghdr header;
        rtmsg route;
        rtattr tableAttribute;
        std::uint32_t tableValue;
        rtattr oifAttribute;
        int oifValue;
    } message{};
    message.header.nlmsg_len = sizeof message;
    message.header.nlmsg_type = RTM_NEWROUTE;
    message.route.rtm_family = AF_INET;
    message.route.rtm_dst_len = prefix;
    message.route.rtm_table = RT_TABLE_UNSPEC;
    message.route.rtm_type = type;
    message.tableAttribute.rta_len = RTA_LENGTH(sizeof(std::uint32_t));
    message.tableAttribute.rta_type = RTA_TABLE;
    message.tableValue = static_cast<std::uint32_t>(table);
    message.oifAttribute.rta_len = RTA_LENGTH(sizeof(int));
    message.oifAttribute.rta_type = RTA_OIF;
    message.oifValue = index;
    return std::string(reinterpret_cast<const char*>(&message), sizeof message);
}

TEST(NetworkState, AVpnWithPolicyRoutingCountsAsOnline) {
    // wg-quick's way: the default route sits in table 51820, the main table
    // only knows the local network.
    const std::string dump = RouteMessage(51820, 0, RTN_UNICAST, 7) +
                             RouteMessage(RT_TABLE_MAIN, 24, RTN_UNICAST, 3) +
                             RouteMessage(RT_TABLE_MAIN, 0, RTN_UNREACHABLE, 5) +
                             RouteMessage(RT_TABLE_LOCAL, 0, RTN_UNICAST, 7);
    EXPECT_EQ(DefaultRouteIndexes(dump), (std::vector<int>{7}));
    EXPECT_TRUE(DefaultRouteIndexes(dump.substr(0, 10)).empty());  // a truncated dump

    const QString mainTable = QStringLiteral(
        "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\t\tMTU\tWindow\tIRTT\n"
        "eth0\t000200C0\t00000000\t0001\t0\t0\t0\t00FFFFFF\t0\t0\t0\n");
    const std::vector<InterfaceInfo> interfaces = {Interface("eth0", ARPHRD_ETHER),
                                                   Interface("wg0", ARPHRD_NONE, true)};
    EXPECT_FALSE(EvaluateConnection(interfaces, mainTable, QString()).online);
    const ConnectionStatus withPolicy =
        EvaluateConnection(interfaces, mainTable, QString(), {QStringLiteral("wg0")});
    EXPECT_TRUE(withPolicy.online);
    EXPECT_EQ(withPolicy.flags, ConnectionStatus::kModem);  // a point-to-point tunnel
}

TEST(NetworkState, ReachabilityAndMediumFromQtsNetworkInformation) {
    using R = QNetworkInformation::Reachability;
    using M = QNetworkInformation::TransportMedium;
    const quint32 lan = ConnectionStatus::kLan;
    struct Case {
        R reachability;
        std::optional<M> medium;
        bool online;
        quint32 flags;
    };
    const Case cases[] = {
        {R::Online, M::Ethernet, true, lan},
        {R::Online, M::WiFi, true, lan},
        {R::Site, M::Cellular, true, ConnectionStatus::kModem},
        {R::Local, M::Bluetooth, true, 0},
        {R::Unknown, M::Unknown, true, 0},
        {R::Disconnected, M::Ethernet, false, 0},
        // A backend that cannot tell the medium: the route check's kinds.
        {R::Online, std::nullopt, true, lan},
        {R::Disconnected, std::nullopt, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(&c - cases));
        const ConnectionStatus status =
            EvaluateReachability(c.reachability, c.medium, lan | ConnectionStatus::kProxy);
        EXPECT_EQ(status.online, c.online);
        EXPECT_EQ(status.flags, c.flags);
    }
}

TEST(NetworkState, TheMachineAnswers) {
    // The real queries run against this machine and agree with the
    // evaluation of what the machine reports.
    const ConnectionStatus evaluated = EvaluateConnection(ReadMachineNetwork());
    const ConnectionStatus queried = MakeLinuxNetworkState()->Query();
    EXPECT_EQ(queried.online, evaluated.online);
    EXPECT_EQ(queried.flags, evaluated.flags);

    const ConnectionStatus system = MakeSystemNetworkState()->Query();
    if (QNetworkInformation* information = QNetworkInformation::instance()) {
        const bool tellsMedium =
            information->supports(QNetworkInformation::Feature::TransportMedium);
        const ConnectionStatus fromQt = EvaluateReachability(
            information->reachability(),
            tellsMedium ? std::optional(information->transportMedium()) : std::nullopt,
            evaluated.flags);
        EXPECT_EQ(system.online, fromQt.online);
        EXPECT_EQ(system.flags, fromQt.flags);
    } else {
        // No backend here: the route check answers.
        EXPECT_EQ(system.online, evaluated.online);
        EXPECT_EQ(system.flags, evaluated.flags);
    }
    std::printf("this machine: %s, flags %u; network information backend: %s\n",
                system.online ? "online" : "offline", system.flags,
                QNetworkInformation::instance() != nullptr
                    ? QNetworkInformation::instance()->backendName().toUtf8().constData()
                    : "none");
}

}  // namespace
}  // namespace patchwell::download
