// HTTPS through a private nginx on loopback with a certificate made for the
// test: trusted only when its authority is given, and only for its own name.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "patchwell/download/testing/test_http_server.h"
#include "patchwell/download/testing/tls_test_server.h"
#include "patchwell/download/transfer/curl_transfer.h"

using patchwell::download::CurlTransfer;
using patchwell::download::CurlTransferOptions;
using patchwell::download::TransferError;
using TlsServer = pwtest::TlsTestServer;
namespace fs = std::filesystem;

namespace {

std::string fetchAll(CurlTransfer& t, const std::string& url) {
    t.SetURL(url);
    t.Execute("GET");
    while (t.StillExecuting()) {
    }
    std::string header = t.GetHeader();
    std::string body;
    for (auto chunk = t.GetChunk(64); !chunk.empty(); chunk = t.GetChunk(64)) {
        body.append(chunk);
    }
    return header.substr(0, 12) + "|" + body;
}

// The text of the failure, or "" when there was none.
std::string failureOf(CurlTransfer& t, const std::string& url) {
    try {
        fetchAll(t, url);
    } catch (const TransferError& e) {
        return e.what();
    }
    return {};
}

}  // namespace

TEST(CurlTransferTls, CertificatesAreVerified) {
    TlsServer server;
    ASSERT_TRUE(server.ready()) << "nginx with TLS did not start";

    CurlTransferOptions trusting;
    trusting.stallTimeoutSeconds = 10;
    trusting.caFile = server.caFile();
    CurlTransfer withAuthority(trusting);
    EXPECT_EQ(fetchAll(withAuthority, server.url("127.0.0.1")), "HTTP/1.1 200|hello over tls\n");

    // The same certificate for a name it was not made for is refused.
    EXPECT_NE(failureOf(withAuthority, server.url("localhost")).find("certificate"),
              std::string::npos);

    // The system's store does not know the test's authority.
    CurlTransferOptions system;
    system.stallTimeoutSeconds = 10;
    CurlTransfer withSystemStore(system);
    EXPECT_NE(failureOf(withSystemStore, server.url("127.0.0.1")).find("certificate"),
              std::string::npos);
}

TEST(CurlTransferTls, RedirectsMayUpgradeButNeverDowngrade) {
    pwtest::TestHttpServer plain;
    pwtest::ScriptedResponse page;
    page.body = "plain text page";
    plain.setResponse("/hello.txt", page);
    TlsServer server(plain.url("/hello.txt"));
    ASSERT_TRUE(server.ready()) << "nginx with TLS did not start";
    plain.setRedirect("/up", "HTTP/1.1 302 Found", server.url("127.0.0.1"));

    CurlTransferOptions trusting;
    trusting.stallTimeoutSeconds = 10;
    trusting.caFile = server.caFile();
    CurlTransfer transfer(trusting);
    // http to https is followed.
    EXPECT_EQ(fetchAll(transfer, plain.url("/up")), "HTTP/1.1 200|hello over tls\n");
    // https to http is refused before any request reaches the plain server.
    EXPECT_FALSE(failureOf(transfer, server.url("127.0.0.1", "/down")).empty());
    EXPECT_EQ(plain.requestCount(), 1u);  // only the "/up" request
}

TEST(CurlTransferTls, TheOpenSslStoreVariablesTakeThePlaceOfTheSystemStore) {
    TlsServer server;
    ASSERT_TRUE(server.ready()) << "nginx with TLS did not start";
    // A folder store holds each authority under its subject hash.
    const fs::path folder = fs::path(server.caFile()).parent_path() / "certs";
    fs::create_directories(folder);
    const std::string link = "ln -s " + server.caFile() + " " + folder.string() +
                             "/$(openssl x509 -hash -noout -in " + server.caFile() + ").0";
    ASSERT_EQ(std::system(link.c_str()), 0);

    // The variables of the environment the test runs in are put back after.
    const char* earlierFile = std::getenv("SSL_CERT_FILE");
    const std::string savedFile = earlierFile != nullptr ? earlierFile : "";
    ::unsetenv("SSL_CERT_FILE");
    ::unsetenv("SSL_CERT_DIR");
    CurlTransferOptions options;
    options.stallTimeoutSeconds = 10;
    const struct {
        const char* variable;
        std::string value;
    } stores[] = {{"SSL_CERT_FILE", server.caFile()}, {"SSL_CERT_DIR", folder.string()}};
    for (const auto& store : stores) {
        SCOPED_TRACE(store.variable);
        ::setenv(store.variable, store.value.c_str(), 1);
        CurlTransfer transfer(options);
        EXPECT_EQ(fetchAll(transfer, server.url("127.0.0.1")), "HTTP/1.1 200|hello over tls\n");
        // The name is still checked against the certificate.
        EXPECT_NE(failureOf(transfer, server.url("localhost")).find("certificate"),
                  std::string::npos);
        ::unsetenv(store.variable);
        EXPECT_NE(failureOf(transfer, server.url("127.0.0.1")).find("certificate"),
                  std::string::npos);
    }
    if (earlierFile != nullptr) {
        ::setenv("SSL_CERT_FILE", savedFile.c_str(), 1);
    }
}

namespace {

// tinyproxy on a free loopback port, in the foreground, until destroyed.
class Tinyproxy {
public:
    explicit Tinyproxy(const fs::path& folder) : port_(pwtest::FreePort()) {
        const fs::path conf = folder / "tinyproxy.conf";
        std::ofstream(conf) << "Port " << port_ << "\nListen 127.0.0.1\nAllow 127.0.0.1\n"
                            << "Timeout 30\nMaxClients 8\nLogLevel Critical\n";
        pid_ = ::fork();
        if (pid_ == 0) {
            ::execlp("tinyproxy", "tinyproxy", "-d", "-c", conf.c_str(),
                     static_cast<char*>(nullptr));
            ::_exit(127);
        }
        // Waits on the condition (the port accepting), at most 10 s.
        for (int i = 0; i < 500 && !accepting(); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
    ~Tinyproxy() {
        ::kill(pid_, SIGTERM);
        ::waitpid(pid_, nullptr, 0);
    }
    bool accepting() const {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        addr.sin_port = htons(static_cast<std::uint16_t>(port_));
        const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
        ::close(fd);
        return ok;
    }
    std::string address() const { return "http://127.0.0.1:" + std::to_string(port_); }

private:
    int port_;
    pid_t pid_ = -1;
};

}  // namespace

TEST(CurlTransferTls, HttpsGoesThroughTheProxyWithTheCertificateStillChecked) {
    TlsServer server;
    ASSERT_TRUE(server.ready()) << "nginx with TLS did not start";
    Tinyproxy proxy(fs::path(server.caFile()).parent_path());
    ASSERT_TRUE(proxy.accepting()) << "tinyproxy did not start";

    CurlTransferOptions trusting;
    trusting.stallTimeoutSeconds = 10;
    trusting.caFile = server.caFile();
    CurlTransferOptions untrusting = trusting;
    untrusting.caFile.clear();  // the system's store, which does not know the test's authority
    ::setenv("https_proxy", proxy.address().c_str(), 1);
    CurlTransfer withAuthority(trusting);
    EXPECT_EQ(fetchAll(withAuthority, server.url("127.0.0.1")), "HTTP/1.1 200|hello over tls\n");
    CurlTransfer withoutAuthority(untrusting);
    EXPECT_NE(failureOf(withoutAuthority, server.url("127.0.0.1")).find("certificate"),
              std::string::npos);

    // A proxy that is gone fails the request instead of going round it.
    ::setenv("https_proxy", "http://127.0.0.1:1", 1);
    EXPECT_FALSE(failureOf(withAuthority, server.url("127.0.0.1")).empty());
    ::unsetenv("https_proxy");
    EXPECT_EQ(fetchAll(withAuthority, server.url("127.0.0.1")), "HTTP/1.1 200|hello over tls\n");
}
