#include "patchwell/download/testing/test_http_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>

using pwtest::ScriptedResponse;
using pwtest::ServedFile;
using pwtest::TestHttpServer;

namespace {

// Sends one raw request and reads until the server closes the connection.
std::string rawExchange(const TestHttpServer& server, const std::string& request) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(server.port());
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        ::close(fd);
        return "connect failed";
    }
    ::send(fd, request.data(), request.size(), MSG_NOSIGNAL);
    std::string out;
    char buf[65536];
    ssize_t n;
    while ((n = ::recv(fd, buf, sizeof buf, 0)) > 0) {
        out.append(buf, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return out;
}

std::string get(const TestHttpServer& server, const std::string& path,
                const std::string& extra = {}) {
    return rawExchange(server, "GET " + path + " HTTP/1.1\r\nHost: x\r\n" + extra + "\r\n");
}

std::string bodyOf(const std::string& answer) {
    const auto end = answer.find("\r\n\r\n");
    return end == std::string::npos ? std::string() : answer.substr(end + 4);
}

ServedFile fileOf(std::size_t size) {
    ServedFile f;
    f.data = std::make_shared<const std::string>(pwtest::patternBytes(0, size));
    f.etag = "\"v1\"";
    f.lastModified = "Wed, 21 Oct 2026 07:28:00 GMT";
    return f;
}

}  // namespace

TEST(TestHttpServer, ScriptedAnswerIsSentExactlyAndRequestsAreRecorded) {
    TestHttpServer server;
    ScriptedResponse r;
    r.statusLine = "HTTP/1.0 200 OK";
    r.headers = {"X-One: 1", "content-length: 3"};
    r.body = "abc";
    server.setResponse("/a", r);

    const auto answer = get(server, "/a?q=1", "Range: bytes=5-\r\n");
    // The given Content-Length suppresses the automatic one.
    EXPECT_EQ(answer,
              "HTTP/1.0 200 OK\r\nX-One: 1\r\ncontent-length: 3\r\nConnection: close\r\n\r\nabc");

    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].requestLine, "GET /a?q=1 HTTP/1.1");
    EXPECT_EQ(requests[0].target, "/a?q=1");
    EXPECT_EQ(requests[0].header("range").value_or(""), "bytes=5-");
    EXPECT_FALSE(requests[0].header("If-Range").has_value());

    EXPECT_EQ(get(server, "/nothing").substr(0, 22), "HTTP/1.1 404 Not Found");
}

TEST(TestHttpServer, QueuedAnswersAreServedInOrderAndTheLastRepeats) {
    TestHttpServer server;
    ScriptedResponse first;
    first.body = "one";
    ScriptedResponse second;
    second.statusLine = "HTTP/1.1 500 Oops";
    second.autoContentLength = false;
    second.autoConnectionClose = false;
    second.body = "two";
    server.setResponses("/q", {first, second});
    EXPECT_EQ(bodyOf(get(server, "/q")), "one");
    EXPECT_EQ(get(server, "/q"), "HTTP/1.1 500 Oops\r\n\r\ntwo");
    EXPECT_EQ(bodyOf(get(server, "/q")), "two");
}

TEST(TestHttpServer, ServedFileHonoursRangesAndIfRange) {
    TestHttpServer server;
    const auto file = fileOf(3000);
    server.setFile("/f", file);
    const std::string& data = *file.data;

    auto whole = get(server, "/f");
    EXPECT_EQ(whole.rfind("HTTP/1.1 200 OK\r\n", 0), 0u);
    EXPECT_NE(whole.find("Accept-Ranges: bytes\r\n"), std::string::npos);
    EXPECT_NE(whole.find("ETag: \"v1\"\r\n"), std::string::npos);
    EXPECT_EQ(bodyOf(whole), data);

    auto open = get(server, "/f", "Range: bytes=1000-\r\n");
    EXPECT_EQ(open.rfind("HTTP/1.1 206 Partial Content\r\n", 0), 0u);
    EXPECT_NE(open.find("Content-Range: bytes 1000-2999/3000\r\n"), std::string::npos);
    EXPECT_NE(open.find("Content-Length: 2000\r\n"), std::string::npos);
    EXPECT_EQ(bodyOf(open), data.substr(1000));

    EXPECT_EQ(bodyOf(get(server, "/f", "Range: bytes=10-19\r\n")), data.substr(10, 10));
    EXPECT_EQ(bodyOf(get(server, "/f", "Range: bytes=-5\r\n")), data.substr(2995));

    auto beyond = get(server, "/f", "Range: bytes=3000-\r\n");
    EXPECT_EQ(beyond.rfind("HTTP/1.1 416 ", 0), 0u);
    EXPECT_NE(beyond.find("Content-Range: bytes */3000\r\n"), std::string::npos);

    // If-Range: matching validator gives the range, a stale one the whole file.
    EXPECT_EQ(bodyOf(get(server, "/f", "Range: bytes=2990-\r\nIf-Range: \"v1\"\r\n")),
              data.substr(2990));
    EXPECT_EQ(bodyOf(get(server, "/f",
                         "Range: bytes=2990-\r\nIf-Range: Wed, 21 Oct 2026 07:28:00 GMT\r\n")),
              data.substr(2990));
    auto stale = get(server, "/f", "Range: bytes=2990-\r\nIf-Range: \"v0\"\r\n");
    EXPECT_EQ(stale.rfind("HTTP/1.1 200 OK", 0), 0u);
    EXPECT_EQ(bodyOf(stale), data);

    auto ignoring = fileOf(100);
    ignoring.honourRange = false;
    ignoring.httpVersion = "HTTP/1.0";
    server.setFile("/g", ignoring);
    auto plain = get(server, "/g", "Range: bytes=50-\r\n");
    EXPECT_EQ(plain.rfind("HTTP/1.0 200 OK\r\n", 0), 0u);
    EXPECT_EQ(plain.find("Accept-Ranges"), std::string::npos);
    EXPECT_EQ(bodyOf(plain).size(), 100u);
}

TEST(TestHttpServer, DeliveryShapes) {
    TestHttpServer server;
    auto cut = fileOf(10000);
    cut.delivery.closeAfterBodyBytes = 1234;
    server.setFile("/cut", cut);
    auto answer = get(server, "/cut");
    EXPECT_NE(answer.find("Content-Length: 10000\r\n"), std::string::npos);
    EXPECT_EQ(bodyOf(answer), cut.data->substr(0, 1234));

    auto slow = fileOf(20000);
    slow.delivery.bytesPerSecond = 100000;
    server.setFile("/slow", slow);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(bodyOf(get(server, "/slow")), *slow.data);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(150));

    // A stalled answer sends nothing until released, then the connection closes.
    ScriptedResponse stalled;
    stalled.delivery.stallBeforeHeaders = true;
    server.setResponse("/stall", stalled);
    std::string result = "unset";
    std::thread client([&] { result = get(server, "/stall"); });
    ASSERT_TRUE(server.waitForRequests(3, std::chrono::seconds(5)));
    EXPECT_TRUE(server.waitForOpenConnections(1, std::chrono::seconds(5)));
    server.releaseStalls();
    client.join();
    EXPECT_EQ(result, "");
}

TEST(TestHttpServer, PatternSlicesAgree) {
    const auto whole = pwtest::patternBytes(0, 70000);
    EXPECT_EQ(pwtest::patternBytes(65000, 5000), whole.substr(65000));
    EXPECT_NE(pwtest::patternBytes(0, 256), pwtest::patternBytes(256, 256));
    EXPECT_NE(pwtest::patternBytes(0, 256, 1), pwtest::patternBytes(0, 256, 0));
}
