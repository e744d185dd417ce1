#include <gtest/gtest.h>

#include <map>

#include "network_state.h"

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

auto Environment(std::map<std::string, QByteArray> values) {
    return [values](const char* name) {
        const auto it = values.find(name);
        return it == values.end() ? QByteArray() : it->second;
    };
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
    const auto noProxy = Environment({});
    ConnectionStatus status =
        EvaluateConnection({Interface("eth0", 1)}, kRoutes4, QString(), noProxy);
    EXPECT_TRUE(status.online);
    EXPECT_EQ(status.flags, ConnectionStatus::kLan);

    InterfaceInfo ppp = Interface("ppp0", 512, true);
    const QString pppRoute = QStringLiteral(
        "Iface\tDestination\tGateway\tFlags\tRefCnt\tUse\tMetric\tMask\n"
        "ppp0\t00000000\t00000000\t0001\t0\t0\t0\t00000000\n");
    status = EvaluateConnection({ppp, Interface("eth0", 1)}, pppRoute, QString(), noProxy);
    EXPECT_TRUE(status.online);
    EXPECT_EQ(status.flags, ConnectionStatus::kModem);

    status = EvaluateConnection(
        {Interface("wwan0", 519)}, QString(),
        QStringLiteral(
            "00000000000000000000000000000000 00 00000000000000000000000000000000 00 "
            "00000000000000000000000000000000 00000400 00000002 00000000 00000001 wwan0\n"),
        noProxy);
    EXPECT_TRUE(status.online);
    EXPECT_EQ(status.flags, ConnectionStatus::kModem);
}

TEST(NetworkState, OfflineCases) {
    const auto noProxy = Environment({});
    // No default route at all.
    EXPECT_FALSE(EvaluateConnection({Interface("eth0", 1)}, QString(), QString(), noProxy).online);
    // The routed interface is down, has no address, or is loopback.
    InterfaceInfo down = Interface("eth0", 1);
    down.up = false;
    EXPECT_FALSE(EvaluateConnection({down}, kRoutes4, QString(), noProxy).online);
    InterfaceInfo bare = Interface("eth0", 1);
    bare.hasAddress = false;
    EXPECT_FALSE(EvaluateConnection({bare}, kRoutes4, QString(), noProxy).online);
    InterfaceInfo loop = Interface("lo", 772);
    loop.loopback = true;
    const ConnectionStatus status = EvaluateConnection({loop}, kRoutes4, kRoutes6, noProxy);
    EXPECT_FALSE(status.online);
    EXPECT_EQ(status.flags, 0u);
}

TEST(NetworkState, ProxyVariablesSetTheProxyFlag) {
    for (const char* name :
         {"http_proxy", "https_proxy", "all_proxy", "HTTP_PROXY", "HTTPS_PROXY", "ALL_PROXY"}) {
        SCOPED_TRACE(name);
        const ConnectionStatus status =
            EvaluateConnection({Interface("eth0", 1)}, kRoutes4, QString(),
                               Environment({{name, QByteArray("http://proxy.local:3128")}}));
        EXPECT_TRUE(status.online);
        EXPECT_EQ(status.flags, ConnectionStatus::kLan | ConnectionStatus::kProxy);
    }
    // Offline machines still report a configured proxy; an empty variable is none.
    EXPECT_EQ(
        EvaluateConnection(
            {}, QString(), QString(),
            Environment({{"no_proxy", "x"}, {"http_proxy", " "}, {"ALL_PROXY", "socks5://p:1080"}}))
            .flags,
        ConnectionStatus::kProxy);
}

TEST(NetworkState, TheMachineAnswers) {
    // The real query runs against this machine; it must not fail, and its
    // answer must agree with the evaluation of what the machine reports.
    const ConnectionStatus status = MakeLinuxNetworkState()->Query();
    EXPECT_EQ(status.flags & ~7u, 0u);
}

}  // namespace
}  // namespace patchwell::download
