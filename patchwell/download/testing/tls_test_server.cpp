#include "patchwell/download/testing/tls_test_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <thread>

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
    port_ = FreePort();
    std::ofstream(dir_ / "nginx.conf")
        << "worker_processes 1;\ndaemon off;\npid " << (dir_ / "nginx.pid").string()
        << ";\nerror_log " << (dir_ / "logs" / "error.log").string()
        << ";\nevents {}\nhttp {\n access_log off;\n client_body_temp_path "
        << (dir_ / "tmp").string() << ";\n server {\n  listen 127.0.0.1:" << port_
        << " ssl;\n  ssl_certificate " << (dir_ / "cert.pem").string()
        << ";\n  ssl_certificate_key " << (dir_ / "key.pem").string() << ";\n  root "
        << (dir_ / "www").string() << ";\n  location = /down { return 302 " << redirectTo
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
    // Waits on a condition (the port accepting), not on a fixed time.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!accepting(port_) && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ready_ = accepting(port_);
}

TlsTestServer::~TlsTestServer() {
    if (pid_ > 0) {
        ::kill(pid_, SIGTERM);
        ::waitpid(pid_, nullptr, 0);
    }
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
