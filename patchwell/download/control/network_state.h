#pragma once

// How the Linux network state turns into a ConnectionStatus. The pieces are
// read from the system by MakeLinuxNetworkState(); the evaluation itself is
// a plain function so that it can be checked with made-up machines.

#include <QByteArray>
#include <QString>

#include <functional>
#include <vector>

#include "download_environment.h"

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

// Online when an interface that is up, not loopback and has an address
// carries a default route. The modem and LAN flags tell the kinds of those
// interfaces; the proxy flag is set when one of the proxy variables that
// libcurl honours is set (`environment` reads a variable).
ConnectionStatus EvaluateConnection(const std::vector<InterfaceInfo>& interfaces,
                                    const QString& ipv4Routes, const QString& ipv6Routes,
                                    const std::function<QByteArray(const char*)>& environment);

}  // namespace patchwell::download
