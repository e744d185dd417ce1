#include "patchwell/download/transfer/curl_transfer.h"

#include <arpa/inet.h>
#include <dirent.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cctype>
#include <chrono>
#include <ctime>
#include <set>
#include <sstream>
#include <thread>

#include "patchwell/download/testing/test_http_server.h"

using namespace std::chrono_literals;
using patchwell::download::CurlTransfer;
using patchwell::download::CurlTransferOptions;
using patchwell::download::TransferError;
using pwtest::ScriptedResponse;
using pwtest::ServedFile;
using pwtest::TestHttpServer;

namespace {

// Simulated time for the transfer's time-outs and waits: each wait on the
// sockets counts as `step`, each reading of the clock as `tick`, and the
// transfer's sleeps between attempts pass at once.
class SimulatedClock : public patchwell::download::TransferClock {
public:
    TimePoint Now() override {
        now += tick;
        return now;
    }
    std::time_t WallSeconds() override {
        return 1796119200 +
               std::chrono::duration_cast<std::chrono::seconds>(now - TimePoint{}).count();
    }
    void Sleep(Duration d) override { now += d; }
    void Polled(Duration) override { now += step; }

    TimePoint now{};
    Duration step = 50ms;
    Duration tick{0};
};

struct CurlTransferTest : ::testing::Test {
    TestHttpServer server;
    int hookCalls = 0;
    std::shared_ptr<SimulatedClock> clock = std::make_shared<SimulatedClock>();
    bool realTime = false;  // the steady clock instead of the simulated one

    // Simulated time since `from`.
    SimulatedClock::Duration since(SimulatedClock::TimePoint from) const {
        return clock->now - from;
    }

    std::unique_ptr<CurlTransfer> make(long stallSeconds = 10, long connectSeconds = 5,
                                       std::vector<int> retryDelaysMs = {}) {
        CurlTransferOptions options;
        if (!realTime) {
            options.clock = clock;
        }
        options.retryDelaysMs = std::move(retryDelaysMs);
        options.processEvents = [this] { ++hookCalls; };
        options.stallTimeoutSeconds = stallSeconds;
        options.connectTimeoutSeconds = connectSeconds;
        options.maxRedirects = 5;
        return std::make_unique<CurlTransfer>(options);
    }

    // Starts a GET and waits as the download control does.
    static void start(CurlTransfer& t, const std::string& url, const std::string& headers = {}) {
        t.SetURL(url);
        t.Execute("GET", headers);
        while (t.StillExecuting()) {
        }
    }

    // Reads the body to its end in chunks of `size`, recording chunk lengths.
    static std::string readAll(CurlTransfer& t, std::size_t size,
                               std::vector<std::size_t>* lengths = nullptr) {
        std::string out;
        for (;;) {
            const auto chunk = t.GetChunk(size);
            if (lengths != nullptr) {
                lengths->push_back(chunk.size());
            }
            out.append(chunk);
            if (chunk.empty()) {
                return out;
            }
        }
    }

    ServedFile pattern(std::size_t size) {
        ServedFile f;
        f.data = std::make_shared<const std::string>(pwtest::patternBytes(0, size));
        f.etag = "\"e1\"";
        return f;
    }
};

// The socket descriptors this process holds now.
std::set<int> OwnSockets() {
    std::set<int> sockets;
    DIR* dir = ::opendir("/proc/self/fd");
    while (const dirent* entry = ::readdir(dir)) {
        struct stat info {};
        const int fd = std::atoi(entry->d_name);
        if (entry->d_name[0] != '.' && fd != ::dirfd(dir) && ::fstat(fd, &info) == 0 &&
            S_ISSOCK(info.st_mode)) {
            sockets.insert(fd);
        }
    }
    ::closedir(dir);
    return sockets;
}

// What the descriptors of a program started now lead to, as it lists them
// itself ("socket:[1234]", "/dev/null", ...).
std::vector<std::string> StartedProgramDescriptors() {
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0) {
        return {};
    }
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(out[1], 1);
        ::execl("/bin/ls", "ls", "-l", "/proc/self/fd", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(out[1]);
    std::string listing;
    char buffer[256];
    for (ssize_t n; (n = ::read(out[0], buffer, sizeof buffer)) > 0;) {
        listing.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(out[0]);
    ::waitpid(pid, nullptr, 0);
    std::vector<std::string> targets;
    std::istringstream lines(listing);
    for (std::string line; std::getline(lines, line);) {
        const auto arrow = line.find(" -> ");
        if (arrow != std::string::npos) {
            targets.push_back(line.substr(arrow + 4));
        }
    }
    return targets;
}

double processCpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

}  // namespace

TEST_F(CurlTransferTest, HeaderTextIsTheFinalAnswerVerbatim) {
    ScriptedResponse r;
    r.headers = {"Content-Length: 5000", "X-Note:  spaced value "};
    r.body = std::string(5000, 'a');
    server.setResponse("/one", r);
    ScriptedResponse old;
    old.statusLine = "HTTP/1.0 404 Not Found";
    old.headers = {"Content-Type: text/plain"};
    old.body = "missing";
    server.setResponse("/old", old);

    auto t = make();
    start(*t, server.url("/one"));
    const std::string text = t->GetHeader();
    EXPECT_EQ(text,
              "HTTP/1.1 200 OK\r\nContent-Length: 5000\r\nX-Note:  spaced value \r\n"
              "Connection: close\r\n\r\n");
    // Version at characters 6-8 and status at 10-12, counting from 1.
    EXPECT_EQ(text.substr(5, 3), "1.1");
    EXPECT_EQ(text.substr(9, 3), "200");
    EXPECT_EQ(t->GetHeader("content-length"), "5000");
    EXPECT_EQ(t->GetHeader("X-Note"), "spaced value");
    EXPECT_EQ(t->GetHeader("X-Absent"), "");

    start(*t, server.url("/old"));
    EXPECT_EQ(t->GetHeader().substr(0, 24), "HTTP/1.0 404 Not Found\r\n");
    EXPECT_EQ(t->GetHeader("Content-Length"), "7");
    EXPECT_EQ(readAll(*t, 1024), "missing");

    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].requestLine, "GET /one HTTP/1.1");
    EXPECT_FALSE(requests[0].header("Range").has_value());
}

TEST_F(CurlTransferTest, ChunksAreFullUntilTheEndOfTheBody) {
    const auto file = pattern(2500);
    server.setFile("/f", file);
    auto t = make();
    start(*t, server.url("/f"));
    std::vector<std::size_t> lengths;
    EXPECT_EQ(readAll(*t, 1024, &lengths), *file.data);
    EXPECT_EQ(lengths, (std::vector<std::size_t>{1024, 1024, 452, 0}));
    // After the end, further reads stay empty.
    EXPECT_TRUE(t->GetChunk(1024).empty());

    server.setFile("/g", pattern(1025));
    start(*t, server.url("/g"));
    EXPECT_EQ(t->GetChunk(1024).size(), 1024u);
    EXPECT_EQ(t->GetChunk(1024).size(), 1u);

    // Without a length the body ends when the server closes: a normal end.
    ScriptedResponse open;
    open.statusLine = "HTTP/1.0 200 OK";
    open.autoContentLength = false;
    open.body = pwtest::patternBytes(0, 3000);
    server.setResponse("/open", open);
    start(*t, server.url("/open"));
    EXPECT_EQ(t->GetHeader("Content-Length"), "");
    EXPECT_EQ(readAll(*t, 1000), open.body);
}

TEST_F(CurlTransferTest, RequestHeadersAreSentAsGiven) {
    const auto file = pattern(3000);
    server.setFile("/f", file);
    auto t = make();
    start(*t, server.url("/f"), "Range: bytes=1000-\r\nIf-Range: \"e1\"\r\n");
    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].header("Range").value_or(""), "bytes=1000-");
    EXPECT_EQ(requests[0].header("If-Range").value_or(""), "\"e1\"");
    EXPECT_NE(requests[0].rawHead.find("\r\nRange: bytes=1000-\r\n"), std::string::npos);
    EXPECT_EQ(t->GetHeader().substr(9, 3), "206");
    EXPECT_EQ(readAll(*t, 1024), file.data->substr(1000));
}

TEST_F(CurlTransferTest, RedirectsAreFollowedAndOnlyTheFinalAnswerCounts) {
    const auto file = pattern(4000);
    server.setFile("/final.bin", file);
    server.setRedirect("/a", "HTTP/1.1 302 Found", "/b");
    server.setRedirect("/b", "HTTP/1.1 301 Moved Permanently", server.url("/final.bin"));
    auto t = make();
    start(*t, server.url("/a"));
    const std::string text = t->GetHeader();
    EXPECT_EQ(text.substr(0, 17), "HTTP/1.1 200 OK\r\n");
    EXPECT_EQ(t->GetHeader("Location"), "");
    EXPECT_EQ(t->GetHeader("Content-Length"), "4000");
    const std::string body = readAll(*t, 1024);
    EXPECT_EQ(body, *file.data);
    EXPECT_EQ(body.find("REDIRECT-BODY"), std::string::npos);
    EXPECT_EQ(server.requestCount(), 3u);

    // A loop ends as a failure once the redirect limit is reached.
    server.setRedirect("/loop", "HTTP/1.1 302 Found", "/loop");
    start(*t, server.url("/loop"));
    EXPECT_THROW(t->GetHeader(), TransferError);
    EXPECT_LE(server.requestCount(), 3u + 6u);

    // A redirect to another scheme is refused.
    server.setRedirect("/away", "HTTP/1.1 302 Found", "ftp://127.0.0.1/file");
    start(*t, server.url("/away"));
    EXPECT_THROW(t->GetHeader(), TransferError);
}

TEST_F(CurlTransferTest, OnlyHttpAndHttpsAreAccepted) {
    auto t = make();
    for (const char* url :
         {"ftp://127.0.0.1/x", "file:///etc/hostname", "127.0.0.1/x", "gopher://127.0.0.1/", ""}) {
        t->SetURL(url);
        EXPECT_THROW(t->Execute("GET"), TransferError) << url;
        EXPECT_FALSE(t->StillExecuting());
        EXPECT_THROW(t->GetHeader(), TransferError);
    }
    EXPECT_EQ(server.requestCount(), 0u);
    t->SetURL(server.url("/x"));
    EXPECT_THROW(t->Execute("POST"), TransferError);
    EXPECT_EQ(t->URL(), server.url("/x"));
}

TEST_F(CurlTransferTest, FailuresEndTheRequestAndAreReportedAsTransferErrors) {
    auto t = make();
    // Nothing listens on this port any more.
    std::string deadUrl;
    {
        TestHttpServer gone;
        deadUrl = gone.url("/x");
    }
    start(*t, deadUrl);
    EXPECT_THROW(t->GetHeader(), TransferError);
    EXPECT_THROW(t->GetChunk(10), TransferError);

    // A body cut short of its Content-Length is a failure, not an end; every
    // byte received before the cut is still handed out, the last ones in a
    // short chunk right before the failure.
    auto cut = pattern(10000);
    cut.delivery.closeAfterBodyBytes = 2100;
    server.setFile("/cut", cut);
    start(*t, server.url("/cut"));
    EXPECT_EQ(t->GetChunk(1024), cut.data->substr(0, 1024));
    EXPECT_EQ(t->GetChunk(1024), cut.data->substr(1024, 1024));
    EXPECT_EQ(t->GetChunk(1024), cut.data->substr(2048, 52));
    EXPECT_THROW(t->GetChunk(1024), TransferError);

    // A length beyond 2 GiB is reported as sent; the short body still fails.
    ScriptedResponse huge;
    huge.headers = {"Content-Length: 3000000000"};
    huge.autoContentLength = false;
    huge.body = "only this";
    server.setResponse("/huge", huge);
    start(*t, server.url("/huge"));
    EXPECT_EQ(t->GetHeader("Content-Length"), "3000000000");
    EXPECT_EQ(t->ContentLength(), 3000000000);
    EXPECT_EQ(t->GetChunk(1024), "only this");
    EXPECT_THROW(t->GetChunk(1024), TransferError);

    // Cancel is harmless without a request and ends an open one.
    t->Cancel();
    t->Cancel();
    EXPECT_FALSE(t->StillExecuting());
    EXPECT_THROW(t->GetChunk(10), TransferError);
}

TEST_F(CurlTransferTest, StallBeforeHeadersEndsTheWaitAndTheHookRuns) {
    ScriptedResponse silent;
    silent.delivery.stallBeforeHeaders = true;
    server.setResponse("/silent", silent);
    auto t = make(1);
    t->SetURL(server.url("/silent"));
    t->Execute("GET");
    const auto start = clock->now;
    EXPECT_THROW(t->GetHeader(), TransferError);
    // Simulated time: the limit, and not a pass more.
    EXPECT_GE(since(start), 1s);
    EXPECT_LE(since(start), 1s + 2 * clock->step);
    EXPECT_GT(hookCalls, 10);  // the host ran throughout the wait

    // The same through StillExecuting polling, as the control waits.
    t->Execute("GET");
    while (t->StillExecuting()) {
    }
    EXPECT_THROW(t->GetHeader(), TransferError);
}

TEST_F(CurlTransferTest, AProgramStartedDuringATransferInheritsNoSocket) {
    ScriptedResponse silent;
    silent.delivery.stallBeforeHeaders = true;
    server.setResponse("/silent", silent);
    auto file = pattern(100000);
    file.delivery.stallAfterBodyBytes = 3000;
    server.setFile("/f", file);
    auto t = make(10);
    // Waiting for the answer (name resolved, connection open), then with a
    // body under way.
    t->SetURL(server.url("/silent"));
    t->Execute("GET");
    while (server.requestCount() == 0 && t->StillExecuting()) {
    }
    for (int phase = 0; phase < 2; ++phase) {
        if (phase == 1) {
            start(*t, server.url("/f"));
            EXPECT_EQ(t->GetChunk(1024).size(), 1024u);
        }
        // The connection and the library's wake-up pair at least, besides the server's.
        EXPECT_GE(OwnSockets().size(), 3u);
        const auto inherited = StartedProgramDescriptors();
        EXPECT_GE(inherited.size(), 3u);  // its standard descriptors, and the listed folder
        for (const std::string& target : inherited) {
            EXPECT_EQ(target.rfind("socket:", 0), std::string::npos) << target << " was inherited";
        }
    }
    server.releaseStalls();
}

TEST_F(CurlTransferTest, StallMidBodyFailsTheRead) {
    auto file = pattern(10000);
    file.delivery.stallAfterBodyBytes = 3000;
    server.setFile("/f", file);
    auto t = make(1);
    start(*t, server.url("/f"));
    EXPECT_EQ(t->GetChunk(1024).size(), 1024u);
    EXPECT_EQ(t->GetChunk(1024).size(), 1024u);
    const int before = hookCalls;
    EXPECT_EQ(t->GetChunk(1024).size(), 952u);  // what came before the stall
    EXPECT_THROW(t->GetChunk(1024), TransferError);
    EXPECT_GT(hookCalls, before + 10);
}

TEST_F(CurlTransferTest, TimeTheHostSpendsAwayDoesNotCountAsStall) {
    ScriptedResponse late;
    late.delivery.headerDelay = 200ms;  // a few waits on the sockets after the host is back
    late.body = "late but fine";
    server.setResponse("/late", late);
    clock->step = 10ms;
    auto t = make(1);
    t->SetURL(server.url("/late"));
    t->Execute("GET");
    while (server.requestCount() == 0 && t->StillExecuting()) {
    }
    // The host is busy elsewhere (a paused download) and reads nothing for
    // longer than the stall limit.
    clock->now += 1500ms;
    while (t->StillExecuting()) {
    }
    EXPECT_EQ(readAll(*t, 100), "late but fine");
}

TEST_F(CurlTransferTest, SlowReadingKeepsTheBufferBounded) {
    const std::size_t total = 48u << 20;
    const auto file = pattern(total);
    server.setFile("/big", file);
    auto t = make();
    start(*t, server.url("/big"));
    // Let the server fill the socket buffers while nothing is read.
    // Done once the server has sent something and then got no further.
    std::uint64_t sent = 0;
    for (int i = 0; i < 200; ++i) {
        std::this_thread::sleep_for(50ms);
        const std::uint64_t now = server.bodyBytesSent();
        if (now > 0 && now == sent) {
            break;
        }
        sent = now;
    }
    // Read slowly, in small chunks, until a burst from the socket has filled
    // the ring (how soon depends on the kernel's buffers).
    std::size_t offset = 0;
    bool intact = true;
    while (offset < total - (8u << 20) && t->PeakBufferedBytes() <= CurlTransfer::kRingBytes / 2) {
        const auto chunk = t->GetChunk(1024);
        ASSERT_EQ(chunk.size(), 1024u);
        intact = intact && chunk == std::string_view(*file.data).substr(offset, 1024);
        offset += chunk.size();
        EXPECT_LE(t->BufferedBytes(), CurlTransfer::kRingBytes);
    }
    EXPECT_TRUE(intact);
    // The ring filled, so the transfer had to be held back, but it never grew.
    EXPECT_GT(t->PeakBufferedBytes(), CurlTransfer::kRingBytes / 2);
    EXPECT_LE(t->PeakBufferedBytes(), CurlTransfer::kRingBytes);
    EXPECT_EQ(t->RingCapacity(), CurlTransfer::kRingBytes);

    // One chunk larger than the ring still comes whole and in order.
    const auto big = t->GetChunk(3u << 20);
    ASSERT_EQ(big.size(), 3u << 20);
    EXPECT_TRUE(big == std::string_view(*file.data).substr(offset, 3u << 20));
    offset += big.size();
    std::string rest = readAll(*t, 65536);
    EXPECT_EQ(rest.size(), total - offset);
    EXPECT_TRUE(rest == std::string_view(*file.data).substr(offset));
}

TEST_F(CurlTransferTest, HookRunsWhileDataFlowsButNotPerChunk) {
    const auto file = pattern(16u << 20);
    auto rated = file;
    rated.delivery.bytesPerSecond = 40u << 20;  // about 0.4 s for the whole body
    server.setFile("/f", rated);
    clock->tick = 1ms;  // every reading of the clock: a millisecond of simulated time
    auto t = make();
    start(*t, server.url("/f"));
    hookCalls = 0;
    const auto begin = clock->now;
    std::size_t chunks = 0;
    while (!t->GetChunk(1024).empty()) {
        ++chunks;
    }
    const auto elapsed = since(begin);
    EXPECT_EQ(chunks, 16u * 1024u);
    // At least one call per 50 ms of reading, far fewer than one per chunk.
    EXPECT_GE(hookCalls, static_cast<int>(elapsed / 50ms) / 2);
    EXPECT_LT(hookCalls, static_cast<int>(chunks / 20));
}

TEST_F(CurlTransferTest, StalledWaitsCostAlmostNoCpu) {
    ScriptedResponse silent;
    silent.delivery.stallBeforeHeaders = true;
    server.setResponse("/silent", silent);
    auto file = pattern(5000);
    file.delivery.stallAfterBodyBytes = 100;
    server.setFile("/f", file);

    // What is measured here is the processor time of real waits. A busy wait would cost a
    // whole core; the process's other threads (the test server's, a sanitizer's) take a few
    // per cent on a loaded machine, so the bound is 10 %.
    realTime = true;
    auto t = make(2);
    t->SetURL(server.url("/silent"));
    t->Execute("GET");
    double cpu = processCpuSeconds();
    auto wall = std::chrono::steady_clock::now();
    const auto until = wall + 1500ms;
    while (t->StillExecuting() && std::chrono::steady_clock::now() < until) {
    }
    double cpuUsed = processCpuSeconds() - cpu;
    double wallUsed =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - wall).count();
    EXPECT_GE(wallUsed, 1.4);
    EXPECT_LT(cpuUsed / wallUsed, 0.10) << cpuUsed << " s of CPU in " << wallUsed << " s";

    start(*t, server.url("/f"));
    cpu = processCpuSeconds();
    wall = std::chrono::steady_clock::now();
    EXPECT_EQ(t->GetChunk(1024).size(), 100u);  // the bytes before the stall, at its end
    EXPECT_THROW(t->GetChunk(1024), TransferError);
    cpuUsed = processCpuSeconds() - cpu;
    wallUsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - wall).count();
    EXPECT_GE(wallUsed, 1.9);
    EXPECT_LT(cpuUsed / wallUsed, 0.10) << cpuUsed << " s of CPU in " << wallUsed << " s";
}

TEST_F(CurlTransferTest, ANewRequestReplacesTheOpenOne) {
    auto first = pattern(200000);
    server.setFile("/first", first);
    const auto second = pattern(3000);
    server.setFile("/second", second);
    auto t = make();
    start(*t, server.url("/first"));
    EXPECT_EQ(t->GetChunk(10), first.data->substr(0, 10));
    start(*t, server.url("/second"));
    EXPECT_EQ(t->GetHeader("Content-Length"), "3000");
    EXPECT_EQ(readAll(*t, 1024), *second.data);
}

TEST_F(CurlTransferTest, ConnectTimeOutEndsTheWait) {
    // A listener that never accepts, with its queue already full: the
    // kernel drops further connection attempts, so a connect never completes.
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    ASSERT_EQ(::listen(listener, 0), 0);
    socklen_t len = sizeof addr;
    ::getsockname(listener, reinterpret_cast<sockaddr*>(&addr), &len);
    std::vector<int> fillers;
    for (int i = 0; i < 4; ++i) {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
        ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
        fillers.push_back(fd);
    }

    auto t = make(30, 1);  // the stall limit is far away: only the connect limit can end this
    const auto begin = std::chrono::steady_clock::now();
    start(*t, "http://127.0.0.1:" + std::to_string(ntohs(addr.sin_port)) + "/x");
    std::string failure;
    try {
        failure = "no failure: " + t->GetHeader();
    } catch (const TransferError& e) {
        failure = e.what();
    }
    const auto waited = std::chrono::steady_clock::now() - begin;
    // The library words it differently depending on where the limit struck.
    std::string lower = failure;
    for (char& c : lower) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    EXPECT_NE(lower.find("timeout"), std::string::npos) << failure;
    EXPECT_GE(waited, 900ms);
    EXPECT_LT(waited, 10s);
    for (int fd : fillers) {
        ::close(fd);
    }
    ::close(listener);
}

namespace {

ScriptedResponse answer(const std::string& statusLine, std::vector<std::string> headers,
                        std::string body) {
    ScriptedResponse r;
    r.statusLine = statusLine;
    r.headers = std::move(headers);
    r.body = std::move(body);
    return r;
}

}  // namespace

TEST_F(CurlTransferTest, BrokenBodiesAreContinuedOnlyWithTheMissingBytes) {
    const std::string body = pwtest::patternBytes(0, 10000, 21);
    auto first = answer("HTTP/1.1 200 OK", {"Accept-Ranges: bytes", "ETag: \"e1\""}, body);
    first.delivery.closeAfterBodyBytes = 4000;
    const auto rest = [&](const std::string& range, std::size_t from) {
        return answer("HTTP/1.1 206 Partial Content", {"Content-Range: bytes " + range},
                      body.substr(from));
    };
    struct Case {
        const char* name;
        std::vector<ScriptedResponse> continuation;
        bool whole;  // the body arrives whole; else the read fails after 4000 bytes
        std::size_t requests;
    };
    const std::vector<Case> cases = {
        {"busy, then the rest",
         {answer("HTTP/1.1 503 Service Unavailable", {"Retry-After: 1"}, "busy"),
          rest("4000-9999/10000", 4000)},
         true,
         3},
        {"the file changed", {answer("HTTP/1.1 200 OK", {"ETag: \"e2\""}, body)}, false, 2},
        {"a range that ends short", {rest("4000-9998/10000", 4000)}, false, 2},
        {"another total", {rest("4000-9999/20000", 4000)}, false, 2},
        {"another start", {rest("3999-9999/10000", 3999)}, false, 2},
        {"not found", {answer("HTTP/1.1 404 Not Found", {}, "gone")}, false, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<ScriptedResponse> script{first};
        script.insert(script.end(), c.continuation.begin(), c.continuation.end());
        const std::string path = "/c" + std::to_string(&c - cases.data());
        server.setResponses(path, script);
        auto t = make(10, 5, {20, 20, 20});
        const std::size_t before = server.requestCount();
        const auto started = clock->now;
        start(*t, server.url(path));
        std::string got;
        bool failed = false;
        try {
            for (auto chunk = t->GetChunk(1000); !chunk.empty(); chunk = t->GetChunk(1000)) {
                got.append(chunk);
            }
        } catch (const TransferError&) {
            failed = true;
        }
        const auto waited = since(started);
        EXPECT_EQ(server.requestCount() - before, c.requests);
        const auto requests = server.requests();
        EXPECT_EQ(requests[before + 1].header("Range").value_or(""), "bytes=4000-9999");
        EXPECT_EQ(requests[before + 1].header("If-Range").value_or(""), "\"e1\"");
        EXPECT_EQ(failed, !c.whole);
        if (c.whole) {
            EXPECT_TRUE(got == body) << got.size() << " bytes";
            EXPECT_GE(waited, 1s);  // what Retry-After asked
            EXPECT_EQ(t->Retries(), 2);
            EXPECT_EQ(t->StatusCode(), 200);  // the first answer's, not the continuation's
            EXPECT_EQ(t->ContentLength(), 10000);
        } else {
            EXPECT_TRUE(got == body.substr(0, 4000)) << got.size() << " bytes";
        }
    }
}

TEST_F(CurlTransferTest, ATricklingBodyIsAStall) {
    auto file = pattern(5000);
    file.delivery.bytesPerSecond = 40;
    server.setFile("/trickle", file);
    CurlTransferOptions options;
    options.retryDelaysMs.clear();
    options.minBytesPerSecond = 1000;
    options.minRateWindowSeconds = 1;
    options.clock = clock;
    CurlTransfer t(options);
    start(t, server.url("/trickle"));
    const auto started = clock->now;
    std::size_t received = 0;
    try {
        for (auto chunk = t.GetChunk(1024); !chunk.empty(); chunk = t.GetChunk(1024)) {
            received += chunk.size();
        }
        ADD_FAILURE() << "the trickle was read to its end";
    } catch (const TransferError& e) {
        EXPECT_NE(std::string(e.what()).find("bytes per second"), std::string::npos) << e.what();
    }
    // Simulated time: one rate window, and not more than a pass beyond it.
    const auto waited = since(started);
    EXPECT_GE(waited, 900ms);
    EXPECT_LT(waited, 1s + 2 * clock->step);
    EXPECT_LT(received, 200u);
}
