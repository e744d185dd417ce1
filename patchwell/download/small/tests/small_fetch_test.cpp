#include <QCoreApplication>
#include <QTimer>

#include <chrono>
#include <csignal>
#include <cstdlib>

#include <gtest/gtest.h>

#include "common/process/termination_signals.h"
#include "patchwell/download/small/small_fetcher.h"
#include "patchwell/download/testing/test_http_server.h"
#include "patchwell/download/testing/tls_test_server.h"
#include "patchwell/download/transfer/transfer_clock.h"

namespace {

TEST(HttpSmallFetcher, FetchesSmallBodiesAndNothingElse) {
    pwtest::TestHttpServer server;
    pwtest::ScriptedResponse ok;
    ok.body = "untrusted comment: signature\n";
    server.setResponse("/a.minisig", ok);
    pwtest::ScriptedResponse big;
    big.body = std::string(70000, 'x');
    server.setResponse("/big.minisig", big);
    pwtest::ScriptedResponse unsized = big;
    unsized.autoContentLength = false;
    server.setResponse("/unsized.minisig", unsized);
    pwtest::ScriptedResponse error;
    error.statusLine = "HTTP/1.1 500 Internal Server Error";
    error.body = "oops";
    server.setResponse("/error.minisig", error);

    patchwell::download::HttpSmallFetcher fetcher;
    const auto url = [&](const char* path) { return QString::fromStdString(server.url(path)); };
    EXPECT_EQ(fetcher.FetchBody(url("/a.minisig"), 65536),
              QByteArray("untrusted comment: signature\n"));
    EXPECT_FALSE(fetcher.FetchBody(url("/missing.minisig"), 65536).has_value());
    EXPECT_FALSE(fetcher.FetchBody(url("/error.minisig"), 65536).has_value());
    EXPECT_FALSE(fetcher.FetchBody(url("/big.minisig"), 65536).has_value());
    EXPECT_FALSE(fetcher.FetchBody(url("/unsized.minisig"), 65536).has_value());
    EXPECT_TRUE(fetcher.FetchBody(url("/big.minisig"), 70000).has_value());
    EXPECT_FALSE(fetcher.FetchBody(QStringLiteral("file:///etc/hostname"), 65536).has_value());
}

// Simulated time: every wait on the sockets counts as a whole second.
class SecondPerPassClock : public patchwell::download::TransferClock {
public:
    TimePoint Now() override { return now; }
    std::time_t WallSeconds() override {
        return static_cast<std::time_t>(
            std::chrono::duration_cast<std::chrono::seconds>(now.time_since_epoch()).count());
    }
    void Sleep(Duration d) override { now += d; }
    void Polled(Duration) override { now += std::chrono::seconds(1); }
    TimePoint now{};
};

TEST(HttpSmallFetcher, ATricklingSignatureEndsAtTheOverallLimit) {
    pwtest::TestHttpServer server;
    pwtest::ScriptedResponse trickle;
    trickle.body = std::string(1000, 's');
    trickle.delivery.bytesPerSecond = 20;  // a byte every few passes
    server.setResponse("/slow.minisig", trickle);
    for (const long limit : {60L, 5L}) {
        SCOPED_TRACE(limit);
        auto clock = std::make_shared<SecondPerPassClock>();
        patchwell::download::HttpSmallFetcher::Options options;
        options.overallTimeoutSeconds = limit;
        options.clock = clock;
        int passes = 0;
        options.processEvents = [&] { ++passes; };
        patchwell::download::HttpSmallFetcher fetcher(options);
        EXPECT_FALSE(fetcher.FetchBody(QString::fromStdString(server.url("/slow.minisig")), 65536)
                         .has_value());
        const auto simulated = clock->now.time_since_epoch();
        EXPECT_GE(simulated, std::chrono::seconds(limit));
        EXPECT_LE(simulated, std::chrono::seconds(limit + 1));
        EXPECT_GT(passes, 0);  // the host ran during the wait
    }
    // Two fetches cut short: the server never sent the whole body.
    EXPECT_LT(server.bodyBytesSent(), 2000u);
}

TEST(HttpSmallFetcher, HttpsNeverRedirectsToHttpAndTheStoreVariableIsHonoured) {
    pwtest::TestHttpServer plain;
    pwtest::ScriptedResponse signature;
    signature.body = "untrusted comment: plain\n";
    plain.setResponse("/sig.minisig", signature);
    pwtest::TlsTestServer server(plain.url("/sig.minisig"));
    ASSERT_TRUE(server.ready()) << "nginx with TLS did not start";
    server.serve("sig.minisig", "untrusted comment: tls\n");

    patchwell::download::HttpSmallFetcher fetcher;
    const QString tls = QString::fromStdString(server.url("127.0.0.1", "/sig.minisig"));
    const QString down = QString::fromStdString(server.url("127.0.0.1", "/down"));
    EXPECT_FALSE(fetcher.FetchBody(tls, 4096).has_value());  // the test's authority is not trusted
    const QByteArray earlier = qgetenv("SSL_CERT_FILE");
    qputenv("SSL_CERT_FILE", QByteArray::fromStdString(server.caFile()));
    EXPECT_EQ(fetcher.FetchBody(tls, 4096), QByteArray("untrusted comment: tls\n"));
    EXPECT_FALSE(fetcher.FetchBody(down, 4096).has_value());
    earlier.isNull() ? qunsetenv("SSL_CERT_FILE") : qputenv("SSL_CERT_FILE", earlier);
    EXPECT_EQ(plain.requestCount(), 0u);  // the downgraded address was never asked
}

TEST(HttpSmallFetcher, ATerminationSignalIsActedOnDuringTheFetch) {
    int argc = 1;
    char name[] = "platform_test";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    pwtest::TestHttpServer server;
    pwtest::ScriptedResponse silent;
    silent.delivery.stallBeforeHeaders = true;
    server.setResponse("/silent.minisig", silent);

    common::TerminationSignals termination;
    bool fetching = false;
    int handledDuringFetch = 0;
    // patchwell ends the program here; the test ends the fetch instead.
    QObject::connect(&termination, &common::TerminationSignals::Requested, &app, [&](int number) {
        handledDuringFetch += fetching && number == SIGTERM ? 1 : 0;
        server.releaseStalls();
    });
    QTimer::singleShot(0, &app, [] { ::raise(SIGTERM); });
    patchwell::download::HttpSmallFetcher fetcher;
    fetching = true;
    const auto body =
        fetcher.FetchBody(QString::fromStdString(server.url("/silent.minisig")), 4096);
    fetching = false;
    EXPECT_FALSE(body.has_value());
    EXPECT_EQ(handledDuringFetch, 1);
}

TEST(HttpSmallFetcher, TellsBodiesNotModifiedRetryLaterAndFailuresApart) {
    using Kind = patchwell::download::SmallAnswer::Kind;
    struct Case {
        const char* path;
        std::string statusLine;
        std::vector<std::string> headers;
        Kind kind;
        qint64 retryAfterSeconds;
    };
    const std::time_t inAnHour = std::time(nullptr) + 3600;
    char httpDate[64];
    std::strftime(httpDate, sizeof httpDate, "%a, %d %b %Y %H:%M:%S GMT", std::gmtime(&inAnHour));
    const Case cases[] = {
        {"/ok",
         "HTTP/1.1 200 OK",
         {"ETag: \"v1\"", "Last-Modified: Tue, 08 Dec 2026 10:00:00 GMT"},
         Kind::Body,
         -1},
        {"/same", "HTTP/1.1 304 Not Modified", {}, Kind::NotModified, -1},
        {"/busy", "HTTP/1.1 503 Service Unavailable", {"Retry-After: 120"}, Kind::RetryLater, 120},
        {"/many",
         "HTTP/1.1 429 Too Many Requests",
         {std::string("Retry-After: ") + httpDate},
         Kind::RetryLater,
         3600},
        // Longer than a day is cut to a day.
        {"/month",
         "HTTP/1.1 429 Too Many Requests",
         {"Retry-After: 2592000"},
         Kind::RetryLater,
         patchwell::download::kMaxRetryAfterSeconds},
        {"/vague", "HTTP/1.1 503 Service Unavailable", {"Retry-After: soon"}, Kind::Failed, -1},
        {"/plain503", "HTTP/1.1 503 Service Unavailable", {}, Kind::Failed, -1},
        {"/gone", "HTTP/1.1 404 Not Found", {}, Kind::Failed, -1},
        {"/silent", "", {}, Kind::Failed, -1},  // never answers: ends at the limit
    };
    pwtest::TestHttpServer server;
    for (const Case& c : cases) {
        pwtest::ScriptedResponse response;
        response.statusLine = c.statusLine;
        response.headers = c.headers;
        response.body = c.statusLine.find("304") == std::string::npos ? "[Update]\n" : "";
        response.delivery.stallBeforeHeaders = c.statusLine.empty();
        server.setResponse(c.path, response);
    }
    patchwell::download::HttpSmallFetcher fetcher;
    const patchwell::download::Validators sent{QStringLiteral("\"v0\""),
                                               QStringLiteral("Mon, 07 Dec 2026 10:00:00 GMT")};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        const auto started = std::chrono::steady_clock::now();
        const auto answer = fetcher.Fetch({QString::fromStdString(server.url(c.path)), 1 << 20,
                                           sent, std::chrono::milliseconds(1500)});
        EXPECT_EQ(answer.kind, c.kind);
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(4));
        if (c.kind == Kind::RetryLater) {
            // An HTTP date is counted from now: a second either way.
            EXPECT_NEAR(answer.retryAfterSeconds, c.retryAfterSeconds, 2);
        }
    }
    server.releaseStalls();
    const auto first = fetcher.Fetch(
        {QString::fromStdString(server.url("/ok")), 1 << 20, {}, std::chrono::milliseconds(0)});
    EXPECT_EQ(first.body, QByteArray("[Update]\n"));
    EXPECT_EQ(first.validators.etag, QStringLiteral("\"v1\""));
    EXPECT_EQ(first.validators.lastModified, QStringLiteral("Tue, 08 Dec 2026 10:00:00 GMT"));
    // The validators went with the conditional requests only.
    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), std::size(cases) + 1);
    EXPECT_EQ(requests.front().header("If-None-Match"), std::optional<std::string>("\"v0\""));
    EXPECT_EQ(requests.front().header("If-Modified-Since"),
              std::optional<std::string>("Mon, 07 Dec 2026 10:00:00 GMT"));
    EXPECT_FALSE(requests.back().header("If-None-Match").has_value());
}

}  // namespace
