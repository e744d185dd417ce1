#pragma once

// A scripted HTTP server for tests. It runs in its own threads on 127.0.0.1
// with an ephemeral port and answers each request from a script registered
// per path. Every request is recorded (request line and headers) so that a
// test can assert what a client sent.
//
// Usage:
//   pwtest::TestHttpServer server;                 // listening once constructed
//   pwtest::ScriptedResponse r;
//   r.statusLine = "HTTP/1.0 200 OK";
//   r.headers = {"Content-Length: 5000"};          // exact lines, sent as given
//   r.autoContentLength = false;
//   r.body = std::string(5000, 'x');
//   server.setResponse("/file.bin", r);
//   std::string url = server.url("/file.bin");    // "http://127.0.0.1:PORT/file.bin"
//   ...
//   auto requests = server.requests();            // everything received so far
//
// Two kinds of route:
//  * ScriptedResponse: an exact status line, exact header lines and a body.
//    Unless switched off, "Content-Length: <body size>" and
//    "Connection: close" are appended after the given header lines (each
//    only when no header of that name is among them). Several responses can
//    be queued for one path (setResponses): request N gets answer N, the last
//    answer repeats.
//  * ServedFile: a byte buffer served like a static file, with single-range
//    "Range: bytes=a-b" / "a-" / "-n" support (206 + Content-Range, 416 for a
//    start past the end), Accept-Ranges, ETag and Last-Modified, and If-Range
//    (the range is honoured only when If-Range equals the ETag or the
//    Last-Modified text). honourRange = false makes it ignore Range (200).
//
// Both kinds take a Delivery that shapes how the answer goes out: a delay or
// a stall before the headers, a stall or a close after N body bytes, and a
// rate limit. A stall holds the connection open and silent until the server
// is destroyed or releaseStalls() is called. Every answer closes its
// connection after it has been sent (one request per connection).
//
// Requests for an unknown path get "HTTP/1.1 404 Not Found" with an empty
// body. The server speaks just enough HTTP for tests: it reads the request
// head (up to 64 KiB) and ignores any request body.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

namespace pwtest {

// How an answer is sent.
struct Delivery {
    // Wait this long before sending anything.
    std::chrono::milliseconds headerDelay{0};
    // Send nothing at all; the connection stays open until released.
    bool stallBeforeHeaders = false;
    // Send the headers and this many body bytes, then stay silent until released.
    std::optional<std::uint64_t> stallAfterBodyBytes;
    // Send the headers and this many body bytes, then close the connection.
    std::optional<std::uint64_t> closeAfterBodyBytes;
    // Limit the body to about this many bytes per second (0: no limit).
    std::uint64_t bytesPerSecond = 0;
};

struct ScriptedResponse {
    std::string statusLine = "HTTP/1.1 200 OK";
    std::vector<std::string> headers;  // lines without CR LF, sent as given
    std::string body;
    bool autoContentLength = true;
    bool autoConnectionClose = true;
    Delivery delivery;
};

struct ServedFile {
    std::shared_ptr<const std::string> data;
    std::string httpVersion = "HTTP/1.1";
    std::string etag;          // sent as given, e.g. "\"v1\""; empty: none
    std::string lastModified;  // sent as given; empty: none
    bool honourRange = true;
    std::vector<std::string> extraHeaders;
    Delivery delivery;
    // Request N to this path is delivered as deliveries[N]; requests beyond
    // the list as `delivery`. Lets a test cut one download several times.
    std::vector<Delivery> deliveries;
};

struct RecordedRequest {
    std::string requestLine;  // "GET /file HTTP/1.1"
    std::string method;
    std::string target;
    std::string version;
    std::vector<std::pair<std::string, std::string>> headers;  // in order received
    std::string rawHead;  // the head as received, up to and including the blank line

    // Value of the first header of that name (case-insensitive), or nullopt.
    std::optional<std::string> header(std::string_view name) const;
};

// Deterministic test content: byte i of the pattern is a fixed function of
// (i, seed), so any slice can be checked without keeping the whole buffer.
std::string patternBytes(std::uint64_t offset, std::size_t count, unsigned seed = 0);

class TestHttpServer {
public:
    TestHttpServer();  // binds 127.0.0.1:0 and starts serving; throws on failure
    ~TestHttpServer();
    TestHttpServer(const TestHttpServer&) = delete;
    TestHttpServer& operator=(const TestHttpServer&) = delete;

    std::uint16_t port() const { return port_; }
    // "http://127.0.0.1:PORT" + path
    std::string url(const std::string& path) const;

    // Registers (or replaces) the route for a path. The path is matched
    // against the request target exactly, then against it without its query.
    void setResponse(const std::string& path, ScriptedResponse response);
    void setResponses(const std::string& path, std::vector<ScriptedResponse> responses);
    void setFile(const std::string& path, ServedFile file);
    // Convenience: an answer with that status line and "Location: <location>",
    // plus a small body that must never be mistaken for the file.
    void setRedirect(const std::string& path, const std::string& statusLine,
                     const std::string& location);

    // All requests received so far, in order of arrival.
    std::vector<RecordedRequest> requests() const;
    std::size_t requestCount() const;
    // Waits (without processing any event loop) until at least n requests arrived.
    bool waitForRequests(std::size_t n, std::chrono::milliseconds timeout) const;

    // Body bytes handed to the kernel so far, over all connections.
    std::uint64_t bodyBytesSent() const { return bodyBytesSent_.load(); }
    // Connections accepted and not yet finished. A connection is finished a
    // moment after its client has read the whole answer (its thread closes
    // it), so a test that expects a count waits for it.
    std::size_t openConnections() const;
    // Waits (without processing any event loop) until exactly n connections
    // are open.
    bool waitForOpenConnections(std::size_t n, std::chrono::milliseconds timeout) const;

    // Ends every current stall: stalled connections are closed.
    void releaseStalls();

private:
    struct Route {
        std::vector<ScriptedResponse> responses;
        std::size_t served = 0;
        std::shared_ptr<const ServedFile> file;
    };
    struct Answer;

    void acceptLoop();
    void serveConnection(int fd);
    Answer answerFor(const RecordedRequest& request);
    void deliver(int fd, const Answer& answer, std::uint64_t generation);
    bool waitStall(std::uint64_t generation);
    bool sendAll(int fd, const char* data, std::size_t size);

    int listenFd_ = -1;
    int wakePipe_[2] = {-1, -1};
    std::uint16_t port_ = 0;
    std::thread acceptThread_;

    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    bool stopping_ = false;
    std::uint64_t stallGeneration_ = 0;
    std::map<std::string, Route> routes_;
    std::vector<RecordedRequest> requests_;
    std::vector<std::thread> connectionThreads_;
    std::vector<int> openFds_;
    std::atomic<std::uint64_t> bodyBytesSent_{0};
};

}  // namespace pwtest
