#include "patchwell/download/testing/tls_test_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

namespace fs = std::filesystem;

namespace pwtest {

int FreePort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    socklen_t len = sizeof addr;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    ::close(fd);
    return ntohs(addr.sin_port);
}

namespace {

bool accepting(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(static_cast<std::uint16_t>(port));
    const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
    ::close(fd);
    return ok;
}

}  // namespace

TlsTestServer::TlsTestServer(const std::string& redirectTo) {
    char pattern[] = "/tmp/pw-tls.XXXXXX";
    dir_ = ::mkdtemp(pattern);
    // nginx's worker may run as another user: it must be able to read the files.
    fs::permissions(dir_, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                              fs::perms::others_read | fs::perms::others_exec);
    fs::create_directories(dir_ / "www");
    fs::create_directories(dir_ / "logs");
    serve("hello.txt", "hello over tls\n");
    const std::string make =
        "openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=127.0.0.1"
        " -addext subjectAltName=IP:127.0.0.1 -keyout " +
        (dir_ / "key.pem").string() + " -out " + (dir_ / "cert.pem").string() + " >/dev/null 2>&1";
    if (std::system(make.c_str()) != 0) {
        return;
    }
    // The project's nginx launcher, serving HTTPS; it returns once the port is bound.
    const std::string start =
        "PW_NGINX_TLS_CERT=" + (dir_ / "cert.pem").string() +
        " PW_NGINX_TLS_KEY=" + (dir_ / "key.pem").string() +
        " PW_NGINX_ACCESS_LOG=off PW_NGINX_EXTRA='location = /down { return 302 " + redirectTo +
        "; }' bash " PW_NGINX_LAUNCHER " start " + (dir_ / "www").string() + " " +
        (dir_ / "nginx").string() + " >/dev/null";
    if (std::system(start.c_str()) != 0) {
        return;
    }
    std::ifstream(dir_ / "nginx" / "port") >> port_;
    ready_ = port_ > 0 && accepting(port_);
}

TlsTestServer::~TlsTestServer() {
    const std::string stop =
        "bash " PW_NGINX_LAUNCHER " stop " + (dir_ / "nginx").string() + " >/dev/null 2>&1";
    [[maybe_unused]] const int stopped = std::system(stop.c_str());  // the folder goes either way
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
}

std::string TlsTestServer::url(const std::string& host, const std::string& path) const {
    return "https://" + host + ":" + std::to_string(port_) + path;
}

std::string TlsTestServer::caFile() const {
    return (dir_ / "cert.pem").string();
}

void TlsTestServer::serve(const std::string& name, const std::string& content) const {
    std::ofstream(dir_ / "www" / name, std::ios::binary) << content;
    fs::permissions(dir_ / "www" / name, fs::perms::owner_read | fs::perms::owner_write |
                                             fs::perms::group_read | fs::perms::others_read);
}

}  // namespace pwtest
