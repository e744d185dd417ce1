#pragma once

// How the machine's network state turns into a ConnectionStatus. Where Qt's
// network information has a backend (NetworkManager), its reachability and
// transport medium decide; elsewhere the interfaces and default routes do.
// The pieces are read from the system by the NetworkState implementations;
// the evaluations themselves are plain functions so that they can be checked
// with made-up machines.

#include <QByteArray>
#include <QNetworkInformation>
#include <QString>

#include <optional>
#include <string_view>

#include <functional>
#include <vector>

#include "patchwell/download/control/download_environment.h"

namespace patchwell::download {

struct InterfaceInfo {
    QString name;
    bool up = false;  // administratively up and running
    bool loopback = false;
    bool pointToPoint = false;
    bool hasAddress = false;  // an IPv4 or IPv6 address is assigned
    int hardwareType = -1;    // ARPHRD_* from /sys/class/net/NAME/type, -1 unknown
};

// Names of the interfaces that carry a usable default route, from the texts
// of /proc/net/route and /proc/net/ipv6_route.
std::vector<QString> DefaultRouteInterfaces(const QString& ipv4Routes, const QString& ipv6Routes);

// Indexes of the interfaces that carry a default route in a netlink route
// dump (RTM_NEWROUTE messages), whatever routing table holds it: a VPN with
// policy routing keeps its default route outside the main table.
std::vector<int> DefaultRouteIndexes(std::string_view netlinkDump);

// What the route check reads from the machine.
struct MachineNetwork {
    std::vector<InterfaceInfo> interfaces;
    QString ipv4Routes;                 // /proc/net/route
    QString ipv6Routes;                 // /proc/net/ipv6_route
    std::vector<QString> policyRouted;  // default routes of every table (netlink)
};
MachineNetwork ReadMachineNetwork();

// Online when an interface that is up, not loopback and has an address
// carries a default route (of the route texts or of `policyRouted`). The modem and LAN flags tell
// the kinds of those interfaces. The proxy flag is never set here: whether a proxy is used depends
// on the address (see SystemDownLoadEnvironment::QueryConnection).
ConnectionStatus EvaluateConnection(const std::vector<InterfaceInfo>& interfaces,
                                    const QString& ipv4Routes, const QString& ipv6Routes,
                                    const std::vector<QString>& policyRouted = {});
ConnectionStatus EvaluateConnection(const MachineNetwork& machine);

// From Qt's network information: online unless the reachability is
// Disconnected; the modem flag for a cellular medium, the LAN flag for
// Ethernet and WiFi. A backend that cannot tell the
// medium (no value) leaves the kinds to `routeKinds`, the modem and LAN flags
// of the route check.
ConnectionStatus EvaluateReachability(QNetworkInformation::Reachability reachability,
                                      std::optional<QNetworkInformation::TransportMedium> medium,
                                      quint32 routeKinds);

// Qt's network information where a backend loads, else the route check.
std::unique_ptr<NetworkState> MakeSystemNetworkState();

}  // namespace patchwell::download
