#pragma once

// The rules every HTTP request of patchwell follows, kept in one place: the
// download control's transfer and the small fetches of signature files both
// configure their libcurl handles here.
//
//  * http and https only, also after redirects; at most 10 redirects, and an
//    https address never redirects to plain http.
//  * HTTP/1.1.
//  * Certificates checked against the system's store; the OpenSSL variables
//    SSL_CERT_FILE and SSL_CERT_DIR take its place where set, and an
//    authority file given by the caller takes the place of both.
//  * The proxy variables http_proxy, https_proxy, all_proxy and no_proxy:
//    https goes through the proxy by CONNECT with the certificate still
//    checked; a proxy that refuses or is down fails the request (there is
//    no fallback to a direct connection).
//  * A connect time-out, a stall time-out and a low-speed floor (the
//    transfer's own clock applies the last two, see CurlTransfer).
//  * A size cap where the caller gives one.
//  * Every socket the library opens is close-on-exec, so that a program
//    started later (the installer) inherits none of them.
//
// No Qt; errors are explicit results (a bool or an empty value).

#include <curl/curl.h>

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace patchwell::http {

struct RequestPolicy {
    long connectTimeoutSeconds = 30;
    // No byte for this long while the caller waits: a failure.
    long stallTimeoutSeconds = 45;
    // Fewer than minBytesPerSecond on average over a window of this much
    // waiting time is a stall as well: a server that trickles a byte now and
    // then must not hold a request for ever.
    long minBytesPerSecond = 100;
    long minRateWindowSeconds = 60;
    // Redirects followed; more than kMaxRedirects is never allowed.
    long maxRedirects = 10;
    // The largest body accepted (-1: no cap). An answer that announces more
    // fails at once; one that sends more is cut off at the cap.
    std::int64_t maxBodyBytes = -1;
    // Certificate authorities to trust instead of any store (a PEM file).
    std::string caFile;
};

constexpr long kMaxRedirects = 10;

// The address is http:// or https:// (any case).
bool IsHttpAddress(std::string_view url);

// Where certificates are looked up: the caller's file, else SSL_CERT_FILE
// and SSL_CERT_DIR as set, else (both empty) the library's system store.
struct CertificateStore {
    std::string file;
    std::string directory;
};
CertificateStore CertificateStoreFor(const RequestPolicy& policy);

// Configures a freshly reset easy handle for a request to `url` under the
// policy. Callbacks, headers and the body's destination are the caller's.
// False when the library refuses a setting (it is then unusable).
bool ApplyPolicy(CURL* handle, const std::string& url, const RequestPolicy& policy);

// Reads a variable of the environment; empty for one that is not set.
using VariableReader = std::function<std::string(const char*)>;

// The proxy the library takes from the variables for a request to `url`, by
// its own rules: <scheme>_proxy (also in upper case, except HTTP_PROXY), else
// all_proxy or ALL_PROXY; none when no_proxy (else NO_PROXY) is "*" or names
// the address's host, its domain or, for an IP address, a network holding it.
// An empty variable counts as unset. Empty: the request goes direct.
std::string ProxyFor(std::string_view url, const VariableReader& variable);
// The same from the process's environment.
std::string ProxyFor(std::string_view url);

// Marks every socket of this process that is not close-on-exec yet. The
// library opens a few descriptors of its own (a wake-up pair per multi
// handle, a pair per name resolution) without the flag; calling this right
// after the calls that may open them keeps them out of started programs.
void MarkSocketsCloseOnExec();

// The same, but only when a handle under the policy has started a name
// resolution (which opens such a pair) since the last call: cheap enough to
// call after every step of the library.
void MarkResolverSocketsCloseOnExec();

}  // namespace patchwell::http
