#include "network_state.h"

#include <QFile>

#include <algorithm>
#include <map>

#include <ifaddrs.h>
#include <net/if.h>
#include <net/if_arp.h>
#include <netinet/in.h>

namespace patchwell::download {

namespace {

constexpr unsigned kRouteUp = 0x1;        // RTF_UP
constexpr unsigned kRouteReject = 0x200;  // RTF_REJECT

QString ReadTextFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return QString();
    }
    return QString::fromLatin1(file.readAll());
}

bool AllZeros(const QString& hex) {
    return !hex.isEmpty() &&
           std::all_of(hex.begin(), hex.end(), [](QChar c) { return c == QLatin1Char('0'); });
}

bool UsableFlags(const QString& hexFlags) {
    bool ok = false;
    const unsigned flags = hexFlags.toUInt(&ok, 16);
    return ok && (flags & kRouteUp) != 0 && (flags & kRouteReject) == 0;
}

bool IsModem(const InterfaceInfo& info) {
    return info.pointToPoint || info.hardwareType == ARPHRD_PPP ||
           info.name.startsWith(QStringLiteral("ppp")) ||
           info.name.startsWith(QStringLiteral("wwan"));
}

bool IsLan(const InterfaceInfo& info) {
    return !IsModem(info) &&
           (info.hardwareType == ARPHRD_ETHER || info.hardwareType == ARPHRD_IEEE80211 ||
            info.name.startsWith(QStringLiteral("eth")) ||
            info.name.startsWith(QStringLiteral("en")) ||
            info.name.startsWith(QStringLiteral("wl")));
}

class LinuxNetworkState : public NetworkState {
public:
    ConnectionStatus Query() const override {
        std::map<QString, InterfaceInfo> byName;
        ifaddrs* list = nullptr;
        if (::getifaddrs(&list) == 0) {
            for (ifaddrs* entry = list; entry != nullptr; entry = entry->ifa_next) {
                if (entry->ifa_name == nullptr) {
                    continue;
                }
                const QString name = QString::fromLocal8Bit(entry->ifa_name);
                InterfaceInfo& info = byName[name];
                info.name = name;
                // Up and with a carrier: a cable pulled out leaves IFF_RUNNING off.
                info.up = info.up || ((entry->ifa_flags & IFF_UP) != 0 &&
                                      (entry->ifa_flags & IFF_RUNNING) != 0);
                info.loopback = info.loopback || (entry->ifa_flags & IFF_LOOPBACK) != 0;
                info.pointToPoint = info.pointToPoint || (entry->ifa_flags & IFF_POINTOPOINT) != 0;
                if (entry->ifa_addr != nullptr && (entry->ifa_addr->sa_family == AF_INET ||
                                                   entry->ifa_addr->sa_family == AF_INET6)) {
                    info.hasAddress = true;
                }
            }
            ::freeifaddrs(list);
        }
        std::vector<InterfaceInfo> interfaces;
        for (auto& [name, info] : byName) {
            bool ok = false;
            const int type = ReadTextFile(QStringLiteral("/sys/class/net/%1/type").arg(name))
                                 .trimmed()
                                 .toInt(&ok);
            info.hardwareType = ok ? type : -1;
            interfaces.push_back(info);
        }
        return EvaluateConnection(interfaces, ReadTextFile(QStringLiteral("/proc/net/route")),
                                  ReadTextFile(QStringLiteral("/proc/net/ipv6_route")),
                                  [](const char* variable) { return qgetenv(variable); });
    }
};

}  // namespace

std::vector<QString> DefaultRouteInterfaces(const QString& ipv4Routes, const QString& ipv6Routes) {
    std::vector<QString> names;
    const auto add = [&names](const QString& name) {
        if (std::find(names.begin(), names.end(), name) == names.end()) {
            names.push_back(name);
        }
    };
    // Iface Destination Gateway Flags RefCnt Use Metric Mask ...
    for (const QString& line : ipv4Routes.split(QLatin1Char('\n'))) {
        const QStringList f = line.simplified().split(QLatin1Char(' '));
        if (f.size() >= 8 && f[0] != QStringLiteral("Iface") && AllZeros(f[1]) && AllZeros(f[7]) &&
            UsableFlags(f[3])) {
            add(f[0]);
        }
    }
    // Destination PrefixLength Source SourcePrefix NextHop Metric RefCnt Use Flags Iface
    for (const QString& line : ipv6Routes.split(QLatin1Char('\n'))) {
        const QStringList f = line.simplified().split(QLatin1Char(' '));
        if (f.size() >= 10 && AllZeros(f[0]) && AllZeros(f[1]) && UsableFlags(f[8]) &&
            f[9] != QStringLiteral("lo")) {
            add(f[9]);
        }
    }
    return names;
}

ConnectionStatus EvaluateConnection(const std::vector<InterfaceInfo>& interfaces,
                                    const QString& ipv4Routes, const QString& ipv6Routes,
                                    const std::function<QByteArray(const char*)>& environment) {
    ConnectionStatus status;
    const std::vector<QString> routed = DefaultRouteInterfaces(ipv4Routes, ipv6Routes);
    for (const InterfaceInfo& info : interfaces) {
        if (!info.up || info.loopback || !info.hasAddress ||
            std::find(routed.begin(), routed.end(), info.name) == routed.end()) {
            continue;
        }
        status.online = true;
        if (IsModem(info)) {
            status.flags |= ConnectionStatus::kModem;
        }
        if (IsLan(info)) {
            status.flags |= ConnectionStatus::kLan;
        }
    }
    for (const char* variable :
         {"http_proxy", "https_proxy", "all_proxy", "HTTP_PROXY", "HTTPS_PROXY", "ALL_PROXY"}) {
        if (!environment(variable).trimmed().isEmpty()) {
            status.flags |= ConnectionStatus::kProxy;
            break;
        }
    }
    return status;
}

std::unique_ptr<NetworkState> MakeLinuxNetworkState() {
    return std::make_unique<LinuxNetworkState>();
}

}  // namespace patchwell::download
