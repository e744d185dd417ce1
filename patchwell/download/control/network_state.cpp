#include "patchwell/download/control/network_state.h"

#include <QFile>

#include <algorithm>
#include <map>

#include <cstring>
#include <string>

#include <ifaddrs.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <net/if.h>
#include <net/if_arp.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

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

QString InterfaceName(int index) {
    char name[IF_NAMESIZE] = {};
    return ::if_indextoname(static_cast<unsigned>(index), name) != nullptr
               ? QString::fromLocal8Bit(name)
               : QString();
}

// Every route of every table, as the kernel lists them over netlink.
std::string DumpRoutes() {
    const int fd = ::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_ROUTE);
    if (fd < 0) {
        return {};
    }
    struct {
        nlmsghdr header;
        rtmsg route;
    } request{};
    request.header.nlmsg_len = sizeof request;
    request.header.nlmsg_type = RTM_GETROUTE;
    request.header.nlmsg_flags = NLM_F_REQUEST | NLM_F_DUMP;
    request.header.nlmsg_seq = 1;
    request.route.rtm_family = AF_UNSPEC;
    std::string dump;
    timeval timeout{1, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    if (::send(fd, &request, sizeof request, 0) == static_cast<ssize_t>(sizeof request)) {
        char buffer[16384];
        for (bool done = false; !done;) {
            const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
            if (n <= 0) {
                break;
            }
            // Messages of one read follow each other, each aligned; the dump
            // ends with NLMSG_DONE (or an error).
            std::size_t at = 0;
            const auto size = static_cast<std::size_t>(n);
            while (at + sizeof(nlmsghdr) <= size) {
                nlmsghdr header{};
                std::memcpy(&header, buffer + at, sizeof header);
                if (header.nlmsg_len < sizeof header || at + header.nlmsg_len > size ||
                    header.nlmsg_type == NLMSG_DONE || header.nlmsg_type == NLMSG_ERROR) {
                    done = true;
                    break;
                }
                dump.append(buffer + at, header.nlmsg_len);
                dump.append(NLMSG_ALIGN(header.nlmsg_len) - header.nlmsg_len, '\0');
                at += NLMSG_ALIGN(header.nlmsg_len);
            }
        }
    }
    ::close(fd);
    return dump;
}

std::vector<InterfaceInfo> ReadInterfaces() {
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
            info.up = info.up ||
                      ((entry->ifa_flags & IFF_UP) != 0 && (entry->ifa_flags & IFF_RUNNING) != 0);
            info.loopback = info.loopback || (entry->ifa_flags & IFF_LOOPBACK) != 0;
            info.pointToPoint = info.pointToPoint || (entry->ifa_flags & IFF_POINTOPOINT) != 0;
            if (entry->ifa_addr != nullptr &&
                (entry->ifa_addr->sa_family == AF_INET || entry->ifa_addr->sa_family == AF_INET6)) {
                info.hasAddress = true;
            }
        }
        ::freeifaddrs(list);
    }
    std::vector<InterfaceInfo> interfaces;
    for (auto& [name, info] : byName) {
        bool ok = false;
        const int type =
            ReadTextFile(QStringLiteral("/sys/class/net/%1/type").arg(name)).trimmed().toInt(&ok);
        info.hardwareType = ok ? type : -1;
        interfaces.push_back(info);
    }
    return interfaces;
}

class LinuxNetworkState : public NetworkState {
public:
    ConnectionStatus Query() const override { return EvaluateConnection(ReadMachineNetwork()); }
};

// Qt's network information, loaded once per process; without a backend
// (no NetworkManager on the bus) the route check answers.
class SystemNetworkState : public NetworkState {
public:
    ConnectionStatus Query() const override {
        QNetworkInformation* information = Information();
        if (information == nullptr) {
            return fallback_.Query();
        }
        // Backends that cannot tell the medium (glib's) leave the kinds of
        // connection to the route check.
        std::optional<QNetworkInformation::TransportMedium> medium;
        quint32 routeKinds = 0;
        if (information->supports(QNetworkInformation::Feature::TransportMedium)) {
            medium = information->transportMedium();
        } else {
            routeKinds = fallback_.Query().flags;
        }
        return EvaluateReachability(information->reachability(), medium, routeKinds);
    }

private:
    static QNetworkInformation* Information() {
        static const bool loaded =
            QNetworkInformation::loadBackendByFeatures(QNetworkInformation::Feature::Reachability);
        return loaded ? QNetworkInformation::instance() : nullptr;
    }

    LinuxNetworkState fallback_;
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

std::vector<int> DefaultRouteIndexes(std::string_view netlinkDump) {
    std::vector<int> indexes;
    std::size_t offset = 0;
    while (offset + sizeof(nlmsghdr) <= netlinkDump.size()) {
        nlmsghdr header{};
        std::memcpy(&header, netlinkDump.data() + offset, sizeof header);
        if (header.nlmsg_len < sizeof header || offset + header.nlmsg_len > netlinkDump.size()) {
            break;
        }
        const std::string_view message = netlinkDump.substr(offset, header.nlmsg_len);
        offset += NLMSG_ALIGN(header.nlmsg_len);
        rtmsg route{};
        if (header.nlmsg_type != RTM_NEWROUTE || message.size() < NLMSG_LENGTH(sizeof route)) {
            continue;
        }
        std::memcpy(&route, message.data() + NLMSG_LENGTH(0), sizeof route);
        if (route.rtm_dst_len != 0 || route.rtm_type != RTN_UNICAST) {
            continue;  // not a default route, or one that rejects or drops
        }
        std::size_t at = NLMSG_LENGTH(sizeof route);
        while (at + sizeof(rtattr) <= message.size()) {
            rtattr attribute{};
            std::memcpy(&attribute, message.data() + at, sizeof attribute);
            if (attribute.rta_len < sizeof attribute || at + attribute.rta_len > message.size()) {
                break;
            }
            if (attribute.rta_type == RTA_OIF && attribute.rta_len >= RTA_LENGTH(sizeof(int))) {
                int index = 0;
                std::memcpy(&index, message.data() + at + RTA_LENGTH(0), sizeof index);
                if (std::find(indexes.begin(), indexes.end(), index) == indexes.end()) {
                    indexes.push_back(index);
                }
            }
            at += RTA_ALIGN(attribute.rta_len);
        }
    }
    return indexes;
}

MachineNetwork ReadMachineNetwork() {
    MachineNetwork machine;
    machine.interfaces = ReadInterfaces();
    machine.ipv4Routes = ReadTextFile(QStringLiteral("/proc/net/route"));
    machine.ipv6Routes = ReadTextFile(QStringLiteral("/proc/net/ipv6_route"));
    for (const int index : DefaultRouteIndexes(DumpRoutes())) {
        const QString name = InterfaceName(index);
        if (!name.isEmpty()) {
            machine.policyRouted.push_back(name);
        }
    }
    return machine;
}

ConnectionStatus EvaluateConnection(const MachineNetwork& machine) {
    return EvaluateConnection(machine.interfaces, machine.ipv4Routes, machine.ipv6Routes,
                              machine.policyRouted);
}

ConnectionStatus EvaluateReachability(QNetworkInformation::Reachability reachability,
                                      std::optional<QNetworkInformation::TransportMedium> medium,
                                      quint32 routeKinds) {
    using Medium = QNetworkInformation::TransportMedium;
    ConnectionStatus status;
    status.online = reachability != QNetworkInformation::Reachability::Disconnected;
    if (status.online && !medium) {
        status.flags |= routeKinds & (ConnectionStatus::kModem | ConnectionStatus::kLan);
    }
    if (status.online && medium == Medium::Cellular) {
        status.flags |= ConnectionStatus::kModem;
    }
    if (status.online && (medium == Medium::Ethernet || medium == Medium::WiFi)) {
        status.flags |= ConnectionStatus::kLan;
    }
    return status;
}

ConnectionStatus EvaluateConnection(const std::vector<InterfaceInfo>& interfaces,
                                    const QString& ipv4Routes, const QString& ipv6Routes,
                                    const std::vector<QString>& policyRouted) {
    ConnectionStatus status;
    std::vector<QString> routed = DefaultRouteInterfaces(ipv4Routes, ipv6Routes);
    routed.insert(routed.end(), policyRouted.begin(), policyRouted.end());
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
    return status;
}

std::unique_ptr<NetworkState> MakeLinuxNetworkState() {
    return std::make_unique<LinuxNetworkState>();
}

std::unique_ptr<NetworkState> MakeSystemNetworkState() {
    return std::make_unique<SystemNetworkState>();
}

}  // namespace patchwell::download
