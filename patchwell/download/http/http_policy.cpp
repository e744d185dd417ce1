#include "patchwell/download/http/http_policy.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>

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

}  // namespace

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
