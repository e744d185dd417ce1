// HTTPS through a private nginx on loopback with a certificate made for the
// test: trusted only when its authority is given, and only for its own name.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "curl_transfer.h"
#include "test_http_server.h"

using patchwell::download::CurlTransfer;
using patchwell::download::CurlTransferOptions;
using patchwell::download::TransferError;
namespace fs = std::filesystem;

namespace {

int freePort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    socklen_t len = sizeof addr;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    ::close(fd);
    return ntohs(addr.sin_port);
}

bool accepting(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(static_cast<std::uint16_t>(port));
    const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
    ::close(fd);
    return ok;
}

class TlsServer {
public:
    // `downgradeTo`: where "/down" redirects (an http address).
    explicit TlsServer(const std::string& downgradeTo = "http://127.0.0.1:9/") {
        char pattern[] = "/tmp/pw-tls.XXXXXX";
        dir_ = ::mkdtemp(pattern);
        // nginx's worker may run as another user: it must be able to read the files.
        fs::permissions(dir_, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                  fs::perms::others_read | fs::perms::others_exec);
        fs::create_directories(dir_ / "www");
        fs::create_directories(dir_ / "logs");
        std::ofstream(dir_ / "www" / "hello.txt") << "hello over tls\n";
        const std::string make =
            "openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=127.0.0.1"
            " -addext subjectAltName=IP:127.0.0.1 -keyout " +
            (dir_ / "key.pem").string() + " -out " + (dir_ / "cert.pem").string() +
            " >/dev/null 2>&1";
        if (std::system(make.c_str()) != 0) {
            return;
        }
        port_ = freePort();
        std::ofstream(dir_ / "nginx.conf")
            << "worker_processes 1;\ndaemon off;\npid " << (dir_ / "nginx.pid").string()
            << ";\nerror_log " << (dir_ / "logs" / "error.log").string()
            << ";\nevents {}\nhttp {\n access_log off;\n client_body_temp_path "
            << (dir_ / "tmp").string() << ";\n server {\n  listen 127.0.0.1:" << port_
            << " ssl;\n  ssl_certificate " << (dir_ / "cert.pem").string()
            << ";\n  ssl_certificate_key " << (dir_ / "key.pem").string() << ";\n  root "
            << (dir_ / "www").string() << ";\n  location = /down { return 302 " << downgradeTo
            << "; }\n }\n}\n";
        pid_ = ::fork();
        if (pid_ == 0) {
            const std::string conf = (dir_ / "nginx.conf").string();
            ::execlp("nginx", "nginx", "-p", dir_.c_str(), "-c", conf.c_str(),
                     static_cast<char*>(nullptr));
            // Not on the search path of a plain user: try where Debian puts it.
            ::execl("/usr/sbin/nginx", "nginx", "-p", dir_.c_str(), "-c", conf.c_str(),
                    static_cast<char*>(nullptr));
            ::_exit(127);
        }
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!accepting(port_) && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        ready_ = accepting(port_);
    }
    ~TlsServer() {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            ::waitpid(pid_, nullptr, 0);
        }
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }
    bool ready() const { return ready_; }
    std::string url(const std::string& host, const std::string& path = "/hello.txt") const {
        return "https://" + host + ":" + std::to_string(port_) + path;
    }
    std::string caFile() const { return (dir_ / "cert.pem").string(); }

private:
    fs::path dir_;
    int port_ = 0;
    pid_t pid_ = -1;
    bool ready_ = false;
};

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
