#include "patchwell/download/testing/test_http_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace pwtest {

namespace {

bool equalsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) {
        s.remove_prefix(1);
    }
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) {
        s.remove_suffix(1);
    }
    return s;
}

bool hasHeaderNamed(const std::vector<std::string>& lines, std::string_view name) {
    for (const auto& line : lines) {
        const auto colon = line.find(':');
        if (colon != std::string::npos && equalsNoCase(trim(line.substr(0, colon)), name)) {
            return true;
        }
    }
    return false;
}

bool parseUnsigned(std::string_view s, std::uint64_t& out) {
    if (s.empty() || s.size() > 19) {
        return false;
    }
    std::uint64_t v = 0;
    for (char c : s) {
        if (c < '0' || c > '9') {
            return false;
        }
        v = v * 10 + static_cast<std::uint64_t>(c - '0');
    }
    out = v;
    return true;
}

// One "bytes=a-b" range resolved against a size: [first, last], or nullopt
// when the header does not parse (then it is ignored, as servers do).
struct ByteRange {
    std::uint64_t first = 0;
    std::uint64_t last = 0;
    bool satisfiable = true;
};

std::optional<ByteRange> parseRange(std::string_view value, std::uint64_t size) {
    value = trim(value);
    constexpr std::string_view prefix = "bytes=";
    if (value.substr(0, prefix.size()) != prefix) {
        return std::nullopt;
    }
    value.remove_prefix(prefix.size());
    if (value.find(',') != std::string_view::npos) {
        return std::nullopt;  // multiple ranges: served whole
    }
    const auto dash = value.find('-');
    if (dash == std::string_view::npos) {
        return std::nullopt;
    }
    const auto a = trim(value.substr(0, dash));
    const auto b = trim(value.substr(dash + 1));
    ByteRange r;
    if (a.empty()) {  // suffix range "-n"
        std::uint64_t n = 0;
        if (!parseUnsigned(b, n)) {
            return std::nullopt;
        }
        if (n == 0 || size == 0) {
            r.satisfiable = false;
            return r;
        }
        r.first = n >= size ? 0 : size - n;
        r.last = size - 1;
        return r;
    }
    if (!parseUnsigned(a, r.first)) {
        return std::nullopt;
    }
    if (b.empty()) {
        r.last = size == 0 ? 0 : size - 1;
    } else if (!parseUnsigned(b, r.last) || r.last < r.first) {
        return std::nullopt;
    }
    if (r.first >= size) {
        r.satisfiable = false;
        return r;
    }
    r.last = std::min(r.last, size - 1);
    return r;
}

}  // namespace

std::optional<std::string> RecordedRequest::header(std::string_view name) const {
    for (const auto& [key, value] : headers) {
        if (equalsNoCase(key, name)) {
            return value;
        }
    }
    return std::nullopt;
}

std::string patternBytes(std::uint64_t offset, std::size_t count, unsigned seed) {
    std::string out(count, '\0');
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint64_t n = offset + i;
        // Mixes the position so that shifted or repeated slices differ.
        out[i] = static_cast<char>((n * 131 + (n >> 8) * 7 + (n >> 16) + seed * 29) & 0xff);
    }
    return out;
}

// What goes out for one request: the head, a view of the body and the
// delivery shape. The body is shared, never copied per request.
struct TestHttpServer::Answer {
    std::string head;
    std::shared_ptr<const std::string> bodyOwner;
    std::uint64_t bodyOffset = 0;
    std::uint64_t bodySize = 0;
    Delivery delivery;
};

TestHttpServer::TestHttpServer() {
    listenFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listenFd_ < 0) {
        throw std::runtime_error("test server: socket failed");
    }
    int one = 1;
    ::setsockopt(listenFd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    if (::bind(listenFd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        ::listen(listenFd_, 64) != 0) {
        ::close(listenFd_);
        throw std::runtime_error("test server: bind/listen failed");
    }
    socklen_t len = sizeof addr;
    ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&addr), &len);
    port_ = ntohs(addr.sin_port);
    if (::pipe2(wakePipe_, O_CLOEXEC) != 0) {
        ::close(listenFd_);
        throw std::runtime_error("test server: pipe failed");
    }
    acceptThread_ = std::thread([this] { acceptLoop(); });
}

TestHttpServer::~TestHttpServer() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
        for (int fd : openFds_) {
            ::shutdown(fd, SHUT_RDWR);
        }
    }
    changed_.notify_all();
    const char byte = 'x';
    [[maybe_unused]] auto ignored = ::write(wakePipe_[1], &byte, 1);
    acceptThread_.join();
    std::vector<std::thread> threads;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        threads.swap(connectionThreads_);
    }
    for (auto& t : threads) {
        t.join();
    }
    ::close(listenFd_);
    ::close(wakePipe_[0]);
    ::close(wakePipe_[1]);
}

std::string TestHttpServer::url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
}

void TestHttpServer::setResponse(const std::string& path, ScriptedResponse response) {
    setResponses(path, {std::move(response)});
}

void TestHttpServer::setResponses(const std::string& path,
                                  std::vector<ScriptedResponse> responses) {
    std::lock_guard<std::mutex> lock(mutex_);
    Route route;
    route.responses = std::move(responses);
    routes_[path] = std::move(route);
}

void TestHttpServer::setFile(const std::string& path, ServedFile file) {
    if (!file.data) {
        file.data = std::make_shared<const std::string>();
    }
    std::lock_guard<std::mutex> lock(mutex_);
    Route route;
    route.file = std::make_shared<const ServedFile>(std::move(file));
    routes_[path] = std::move(route);
}

void TestHttpServer::setRedirect(const std::string& path, const std::string& statusLine,
                                 const std::string& location) {
    ScriptedResponse r;
    r.statusLine = statusLine;
    r.headers = {"Location: " + location, "Content-Type: text/html"};
    r.body = "<html><body>REDIRECT-BODY moved to " + location + "</body></html>\n";
    setResponse(path, std::move(r));
}

std::vector<RecordedRequest> TestHttpServer::requests() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
}

std::size_t TestHttpServer::requestCount() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_.size();
}

bool TestHttpServer::waitForRequests(std::size_t n, std::chrono::milliseconds timeout) const {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return requests_.size() >= n; });
}

std::size_t TestHttpServer::openConnections() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return openFds_.size();
}

bool TestHttpServer::waitForOpenConnections(std::size_t n,
                                            std::chrono::milliseconds timeout) const {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return openFds_.size() == n; });
}

void TestHttpServer::releaseStalls() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        ++stallGeneration_;
    }
    changed_.notify_all();
}

void TestHttpServer::acceptLoop() {
    for (;;) {
        pollfd fds[2] = {{listenFd_, POLLIN, 0}, {wakePipe_[0], POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            return;
        }
        if (fds[1].revents != 0) {
            return;
        }
        const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) {
            continue;
        }
        std::lock_guard<std::mutex> lock(mutex_);
        if (stopping_) {
            ::close(fd);
            return;
        }
        openFds_.push_back(fd);
        connectionThreads_.emplace_back([this, fd] { serveConnection(fd); });
        changed_.notify_all();
    }
}

bool TestHttpServer::sendAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::send(fd, data, size, MSG_NOSIGNAL);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

// Waits until the server stops or releaseStalls() moves past `generation`.
bool TestHttpServer::waitStall(std::uint64_t generation) {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [&] { return stopping_ || stallGeneration_ != generation; });
    return !stopping_;
}

void TestHttpServer::serveConnection(int fd) {
    std::string head;
    char buffer[4096];
    bool complete = false;
    while (head.size() < 65536) {
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0) {
            break;
        }
        head.append(buffer, static_cast<std::size_t>(n));
        const auto end = head.find("\r\n\r\n");
        if (end != std::string::npos) {
            head.resize(end + 4);
            complete = true;
            break;
        }
    }
    if (complete) {
        RecordedRequest request;
        request.rawHead = head;
        std::string_view rest(head);
        auto lineEnd = rest.find("\r\n");
        request.requestLine = std::string(rest.substr(0, lineEnd));
        rest.remove_prefix(lineEnd + 2);
        {
            std::string_view line(request.requestLine);
            const auto s1 = line.find(' ');
            const auto s2 = line.rfind(' ');
            if (s1 != std::string_view::npos && s2 > s1) {
                request.method = std::string(line.substr(0, s1));
                request.target = std::string(line.substr(s1 + 1, s2 - s1 - 1));
                request.version = std::string(line.substr(s2 + 1));
            }
        }
        while ((lineEnd = rest.find("\r\n")) != 0 && lineEnd != std::string_view::npos) {
            const auto line = rest.substr(0, lineEnd);
            const auto colon = line.find(':');
            if (colon != std::string_view::npos) {
                request.headers.emplace_back(std::string(trim(line.substr(0, colon))),
                                             std::string(trim(line.substr(colon + 1))));
            }
            rest.remove_prefix(lineEnd + 2);
        }
        // The stall generation is taken with the request, so that a release
        // after the request was seen always ends this answer's stall.
        std::uint64_t generation = 0;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            requests_.push_back(request);
            generation = stallGeneration_;
        }
        changed_.notify_all();
        deliver(fd, answerFor(request), generation);
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        openFds_.erase(std::remove(openFds_.begin(), openFds_.end(), fd), openFds_.end());
    }
    changed_.notify_all();
    ::shutdown(fd, SHUT_WR);
    ::close(fd);
}

TestHttpServer::Answer TestHttpServer::answerFor(const RecordedRequest& request) {
    std::shared_ptr<const ServedFile> file;
    std::optional<ScriptedResponse> scripted;
    std::size_t fileRequest = 0;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        auto it = routes_.find(request.target);
        if (it == routes_.end()) {
            const auto q = request.target.find('?');
            if (q != std::string::npos) {
                it = routes_.find(request.target.substr(0, q));
            }
        }
        if (it != routes_.end()) {
            Route& route = it->second;
            if (route.file) {
                file = route.file;
                fileRequest = route.served++;
            } else if (!route.responses.empty()) {
                const std::size_t index = std::min(route.served, route.responses.size() - 1);
                scripted = route.responses[index];
                ++route.served;
            }
        }
    }
    Answer answer;
    const bool head = request.method == "HEAD";
    if (scripted) {
        answer.head = scripted->statusLine + "\r\n";
        for (const auto& line : scripted->headers) {
            answer.head += line + "\r\n";
        }
        if (scripted->autoContentLength && !hasHeaderNamed(scripted->headers, "Content-Length")) {
            answer.head += "Content-Length: " + std::to_string(scripted->body.size()) + "\r\n";
        }
        if (scripted->autoConnectionClose && !hasHeaderNamed(scripted->headers, "Connection")) {
            answer.head += "Connection: close\r\n";
        }
        answer.head += "\r\n";
        auto body = std::make_shared<const std::string>(std::move(scripted->body));
        answer.bodySize = head ? 0 : body->size();
        answer.bodyOwner = std::move(body);
        answer.delivery = scripted->delivery;
        return answer;
    }
    if (!file) {
        answer.head = "HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
        return answer;
    }
    const std::uint64_t size = file->data->size();
    std::optional<ByteRange> range;
    if (file->honourRange) {
        if (auto value = request.header("Range")) {
            bool useRange = true;
            if (auto ifRange = request.header("If-Range")) {
                const bool weak = ifRange->rfind("W/", 0) == 0;
                useRange = (!file->etag.empty() && !weak && *ifRange == file->etag) ||
                           (!file->lastModified.empty() && *ifRange == file->lastModified);
            }
            if (useRange) {
                range = parseRange(*value, size);
            }
        }
    }
    std::string headers;
    if (file->honourRange) {
        headers += "Accept-Ranges: bytes\r\n";
    }
    if (!file->etag.empty()) {
        headers += "ETag: " + file->etag + "\r\n";
    }
    if (!file->lastModified.empty()) {
        headers += "Last-Modified: " + file->lastModified + "\r\n";
    }
    for (const auto& line : file->extraHeaders) {
        headers += line + "\r\n";
    }
    answer.bodyOwner = file->data;
    answer.delivery =
        fileRequest < file->deliveries.size() ? file->deliveries[fileRequest] : file->delivery;
    if (range && !range->satisfiable) {
        answer.head = file->httpVersion + " 416 Range Not Satisfiable\r\n" + headers +
                      "Content-Range: bytes */" + std::to_string(size) +
                      "\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
        return answer;
    }
    if (range) {
        answer.bodyOffset = range->first;
        answer.bodySize = range->last - range->first + 1;
        answer.head = file->httpVersion + " 206 Partial Content\r\n" + headers +
                      "Content-Range: bytes " + std::to_string(range->first) + "-" +
                      std::to_string(range->last) + "/" + std::to_string(size) + "\r\n";
    } else {
        answer.bodySize = size;
        answer.head = file->httpVersion + " 200 OK\r\n" + headers;
    }
    answer.head +=
        "Content-Length: " + std::to_string(answer.bodySize) + "\r\nConnection: close\r\n\r\n";
    if (head) {
        answer.bodySize = 0;
    }
    return answer;
}

void TestHttpServer::deliver(int fd, const Answer& answer, std::uint64_t generation) {
    {
        std::unique_lock<std::mutex> lock(mutex_);
        const Delivery& d = answer.delivery;
        if (d.headerDelay.count() > 0 &&
            changed_.wait_for(lock, d.headerDelay, [&] { return stopping_; })) {
            return;
        }
    }
    if (answer.delivery.stallBeforeHeaders) {
        waitStall(generation);
        return;
    }
    if (!sendAll(fd, answer.head.data(), answer.head.size())) {
        return;
    }
    const Delivery& d = answer.delivery;
    std::uint64_t limit = answer.bodySize;
    if (d.stallAfterBodyBytes) {
        limit = std::min(limit, *d.stallAfterBodyBytes);
    }
    if (d.closeAfterBodyBytes) {
        limit = std::min(limit, *d.closeAfterBodyBytes);
    }
    const char* body = answer.bodyOwner ? answer.bodyOwner->data() + answer.bodyOffset : nullptr;
    const auto start = std::chrono::steady_clock::now();
    std::uint64_t sent = 0;
    while (sent < limit) {
        std::uint64_t piece = std::min<std::uint64_t>(limit - sent, 64 * 1024);
        if (d.bytesPerSecond > 0) {
            // Send a twentieth of a second's worth, then wait until the
            // average rate is back under the limit.
            piece =
                std::min<std::uint64_t>(piece, std::max<std::uint64_t>(d.bytesPerSecond / 20, 1));
            const auto due = start + std::chrono::microseconds(sent * 1000000 / d.bytesPerSecond);
            std::unique_lock<std::mutex> lock(mutex_);
            if (changed_.wait_until(lock, due, [&] { return stopping_; })) {
                return;
            }
        }
        if (!sendAll(fd, body + sent, static_cast<std::size_t>(piece))) {
            return;
        }
        sent += piece;
        bodyBytesSent_ += piece;
    }
    if (d.stallAfterBodyBytes && sent < answer.bodySize) {
        waitStall(generation);
    }
}

}  // namespace pwtest
