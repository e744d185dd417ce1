#include "patchwell/download/http/http_policy.h"

#include <arpa/inet.h>
#include <dirent.h>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "common/text/text.h"

namespace patchwell::http {

namespace {

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::string(value) : std::string();
}

void setCloseOnExec(int fd) {
    const int flags = ::fcntl(fd, F_GETFD);
    if (flags >= 0 && (flags & FD_CLOEXEC) == 0) {
        ::fcntl(fd, F_SETFD, flags | FD_CLOEXEC);
    }
}

// Every socket the library opens for a connection (to a server or a proxy)
// comes through here.
curl_socket_t openSocket(void*, curlsocktype, curl_sockaddr* address) {
    return ::socket(address->family, address->socktype | SOCK_CLOEXEC, address->protocol);
}

// Set when the library is about to resolve a name: the step that starts a
// resolution opens a descriptor pair for it.
std::atomic<bool> g_resolutionStarted{false};

int resolverStarting(void*, void*, void*) {
    g_resolutionStarted = true;
    return 0;
}

std::string Lower(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), common::LowerAscii);
    return out;
}

struct Address {
    std::string scheme;  // lower case
    std::string host;    // an IPv6 address without its brackets
    bool ipv6 = false;
};

Address SplitAddress(std::string_view url) {
    Address address;
    const std::size_t schemeEnd = url.find("://");
    if (schemeEnd == std::string_view::npos) {
        return address;
    }
    address.scheme = Lower(url.substr(0, schemeEnd));
    std::string_view authority = url.substr(schemeEnd + 3);
    authority = authority.substr(0, authority.find_first_of("/?#"));
    if (const std::size_t at = authority.rfind('@'); at != std::string_view::npos) {
        authority.remove_prefix(at + 1);
    }
    if (!authority.empty() && authority.front() == '[') {
        address.host = std::string(authority.substr(1, authority.find(']') - 1));
        address.ipv6 = true;
    } else {
        address.host = std::string(authority.substr(0, authority.find(':')));
    }
    return address;
}

// `host` lies in the network `token` ("10.0.0.0/8"; no length: the address
// itself), both of the family `family`.
bool InNetwork(const std::string& host, std::string_view token, int family) {
    const std::size_t slash = token.find('/');
    const int width = family == AF_INET ? 32 : 128;
    int bits = width;
    if (slash != std::string_view::npos) {
        bits = std::atoi(std::string(token.substr(slash + 1)).c_str());
        bits = bits == 0 ? width : bits;
    }
    unsigned char a[16] = {};
    unsigned char b[16] = {};
    if (bits > width || ::inet_pton(family, host.c_str(), a) != 1 ||
        ::inet_pton(family, std::string(token.substr(0, slash)).c_str(), b) != 1) {
        return false;
    }
    for (int bit = 0; bit < bits; ++bit) {
        const int mask = 0x80 >> (bit % 8);
        if ((a[bit / 8] & mask) != (b[bit / 8] & mask)) {
            return false;
        }
    }
    return true;
}

// no_proxy as the library reads it: names and networks separated by commas
// or blanks; a name matches itself and every name below it.
bool Bypassed(const Address& address, std::string_view list) {
    if (address.host.empty() || list.empty()) {
        return false;
    }
    if (list == "*") {
        return true;
    }
    unsigned char ipv4[4];
    const int family = address.ipv6                                            ? AF_INET6
                       : ::inet_pton(AF_INET, address.host.c_str(), ipv4) == 1 ? AF_INET
                                                                               : 0;
    std::string_view name = address.host;
    if (family == 0 && name.back() == '.') {
        name.remove_suffix(1);
    }
    std::size_t pos = 0;
    while (pos < list.size()) {
        const std::size_t start = list.find_first_not_of(" \t,", pos);
        if (start == std::string_view::npos) {
            break;
        }
        const std::size_t end = std::min(list.find_first_of(" \t,", start), list.size());
        std::string_view token = list.substr(start, end - start);
        pos = end;
        if (family != 0) {
            if (InNetwork(address.host, token, family)) {
                return true;
            }
            continue;
        }
        if (token.back() == '.') {
            token.remove_suffix(1);
        }
        if (!token.empty() && token.front() == '.') {
            token.remove_prefix(1);
        }
        const bool same = token.size() == name.size() && common::EqualsNoCase(token, name);
        const bool below = !token.empty() && token.size() < name.size() &&
                           name[name.size() - token.size() - 1] == '.' &&
                           common::EqualsNoCase(token, name.substr(name.size() - token.size()));
        if (same || below) {
            return true;
        }
    }
    return false;
}

// The first of `names` that is set and not empty.
std::string FirstSet(const VariableReader& variable, std::initializer_list<std::string> names) {
    for (const std::string& name : names) {
        std::string value = variable(name.c_str());
        if (!value.empty()) {
            return value;
        }
    }
    return {};
}

}  // namespace

std::string ProxyFor(std::string_view url, const VariableReader& variable) {
    const Address address = SplitAddress(url);
    if (Bypassed(address, FirstSet(variable, {"no_proxy", "NO_PROXY"}))) {
        return {};
    }
    // HTTP_PROXY is never read: a CGI program can be handed one by a
    // request's "Proxy:" header.
    const std::string own = address.scheme + "_proxy";
    std::string proxy = FirstSet(variable, {own});
    if (proxy.empty() && own != "http_proxy") {
        std::string upper = own;
        std::transform(upper.begin(), upper.end(), upper.begin(),
                       [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; });
        proxy = FirstSet(variable, {upper});
    }
    return proxy.empty() ? FirstSet(variable, {"all_proxy", "ALL_PROXY"}) : proxy;
}

std::string ProxyFor(std::string_view url) {
    return ProxyFor(url, environment);
}

bool IsHttpAddress(std::string_view url) {
    return common::StartsWithNoCase(url, "http://") || common::StartsWithNoCase(url, "https://");
}

CertificateStore CertificateStoreFor(const RequestPolicy& policy) {
    if (!policy.caFile.empty()) {
        return {policy.caFile, {}};
    }
    return {environment("SSL_CERT_FILE"), environment("SSL_CERT_DIR")};
}

bool ApplyPolicy(CURL* h, const std::string& url, const RequestPolicy& policy) {
    bool ok = true;
    const auto set = [&](CURLoption option, auto value) {
        ok = curl_easy_setopt(h, option, value) == CURLE_OK && ok;
    };
    set(CURLOPT_URL, url.c_str());
    set(CURLOPT_NOSIGNAL, 1L);
    set(CURLOPT_PROTOCOLS_STR, "http,https");
    // From https only https: a redirect must not downgrade the connection.
    set(CURLOPT_REDIR_PROTOCOLS_STR,
        common::StartsWithNoCase(url, "https://") ? "https" : "http,https");
    set(CURLOPT_FOLLOWLOCATION, 1L);
    set(CURLOPT_MAXREDIRS, std::clamp(policy.maxRedirects, 0L, kMaxRedirects));
    set(CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
    set(CURLOPT_CONNECTTIMEOUT, policy.connectTimeoutSeconds);
    set(CURLOPT_SSL_VERIFYPEER, 1L);
    set(CURLOPT_SSL_VERIFYHOST, 2L);
    set(CURLOPT_PROXY_SSL_VERIFYPEER, 1L);
    set(CURLOPT_PROXY_SSL_VERIFYHOST, 2L);
    const CertificateStore store = CertificateStoreFor(policy);
    if (!store.file.empty() || !store.directory.empty()) {
        // Given a store of its own, the request trusts that store alone.
        set(CURLOPT_CAINFO, store.file.empty() ? nullptr : store.file.c_str());
        set(CURLOPT_CAPATH, store.directory.empty() ? nullptr : store.directory.c_str());
    }
    // No CURLOPT_PROXY: the library takes the proxy from the variables for
    // each request. The proxy's own answer to CONNECT is not the server's.
    set(CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
    if (policy.maxBodyBytes >= 0) {
        set(CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(policy.maxBodyBytes));
    }
    set(CURLOPT_OPENSOCKETFUNCTION, &openSocket);
    set(CURLOPT_RESOLVER_START_FUNCTION, &resolverStarting);
    set(CURLOPT_USERAGENT, "patchwell");
    return ok;
}

void MarkSocketsCloseOnExec() {
    DIR* dir = ::opendir("/proc/self/fd");
    if (dir == nullptr) {
        return;
    }
    const int own = ::dirfd(dir);
    while (const dirent* entry = ::readdir(dir)) {
        char* end = nullptr;
        const long fd = std::strtol(entry->d_name, &end, 10);
        if (end == entry->d_name || *end != '\0' || fd <= 2 || fd == own) {
            continue;
        }
        struct stat info {};
        if (::fstat(static_cast<int>(fd), &info) == 0 && S_ISSOCK(info.st_mode)) {
            setCloseOnExec(static_cast<int>(fd));
        }
    }
    ::closedir(dir);
}

}  // namespace patchwell::http

namespace patchwell::http {

void MarkResolverSocketsCloseOnExec() {
    if (g_resolutionStarted.exchange(false)) {
        MarkSocketsCloseOnExec();
    }
}

}  // namespace patchwell::http
