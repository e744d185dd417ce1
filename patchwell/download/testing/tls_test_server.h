#pragma once

// nginx serving TLS on a free loopback port with a certificate and an
// authority made for the test (127.0.0.1 only), for the tests of the HTTP
// rules; started and stopped through common/testing/nginx/pw-nginx.sh. Files are served from a
// folder of its own; "/down" answers with a redirect to a given address.

#include <filesystem>
#include <string>

namespace pwtest {

// A loopback port nothing listens on now, probed at run time.
int FreePort();

class TlsTestServer {
public:
    // `redirectTo`: where "/down" redirects.
    explicit TlsTestServer(const std::string& redirectTo = "http://127.0.0.1:9/");
    ~TlsTestServer();
    TlsTestServer(const TlsTestServer&) = delete;
    TlsTestServer& operator=(const TlsTestServer&) = delete;

    bool ready() const { return ready_; }
    // "https://HOST:PORT" + path
    std::string url(const std::string& host, const std::string& path = "/hello.txt") const;
    // The authority (PEM) that the server's certificate is trusted by.
    std::string caFile() const;
    // Writes a file to serve at "/" + name.
    void serve(const std::string& name, const std::string& content) const;

private:
    std::filesystem::path dir_;
    int port_ = 0;
    bool ready_ = false;
};

}  // namespace pwtest
