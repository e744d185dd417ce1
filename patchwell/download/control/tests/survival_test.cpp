// Downloads that survive a broken connection: the transfer component
// continues the body with range requests, and the control's events go on as
// one stream. Against the scripted loopback server and a private nginx.

#include <QDir>
#include <QFile>
#include <QProcess>

#include <algorithm>

#include "patchwell/download/control/testing/loopback_fixture.h"

namespace patchwell::download::testing {
namespace {

// Short waits between the attempts, so that the tests run fast.
const std::vector<int> kQuickRetries{50, 100, 150, 200, 250};

class SurvivalTest : public LoopbackTest {
protected:
    void SetUp() override {
        LoopbackTest::SetUp();
        env->options.retryDelaysMs = kQuickRetries;
    }

    // Serves a pattern file whose every answer breaks off `cutAfter` bytes
    // into its body, probes it and returns its bytes.
    std::string ProbeCutFile(std::size_t size, std::uint64_t cutAfter, unsigned seed) {
        const std::string body = pwtest::patternBytes(0, size, seed);
        ServedFile file = File(body);
        file.delivery.closeAfterBodyBytes = cutAfter;
        server.setFile("/app.bin", file);
        Use("/app.bin");
        core.GetFileInformation();
        trace.clear();
        return body;
    }

    // The control's events of one transfer read as one body: a single
    // "Opening", byte counts that never go back, a percentage within bounds.
    void ExpectOneContinuousStream(qint64 lastBytes) {
        EXPECT_EQ(std::count_if(trace.begin(), trace.end(),
                                [](const std::string& e) {
                                    return e.rfind("StatusChange:Opening ", 0) == 0;
                                }),
                  1);
        qint64 previous = 0;
        for (const std::string& entry : Only(trace, "RecievedBytes:")) {
            const qint64 bytes = std::stoll(entry.substr(14));
            EXPECT_GE(bytes, previous);
            previous = bytes;
        }
        EXPECT_EQ(previous, lastBytes);
        for (const std::string& entry : Only(trace, "Percent:")) {
            EXPECT_LE(std::stoi(entry.substr(8)), 100);
        }
    }
};

TEST_F(SurvivalTest, ABodyCutTwiceIsContinuedToTheWholeFile) {
    const std::string body = pwtest::patternBytes(0, 300000, 11);
    ServedFile file = File(body);
    // An early close after 70000 bytes, then a stall 50000 bytes into the
    // continuation (the stall time-out is 1 s), then the rest.
    pwtest::Delivery close;
    close.closeAfterBodyBytes = 70000;
    pwtest::Delivery stall;
    stall.stallAfterBodyBytes = 50000;
    file.deliveries = {close, stall};
    server.setFile("/app.bin", file);
    Use("/app.bin");
    core.GetFileInformation();
    ASSERT_EQ(core.FileSize(), 300000);
    trace.clear();
    const int hooksBefore = env->hookCalls;
    core.download();
    server.releaseStalls();

    EXPECT_EQ(Only(trace, "DLECode").size(), 0u);
    EXPECT_EQ(Trace(trace.end() - 2, trace.end()), kSuccess);
    ExpectOneContinuousStream(300000);
    EXPECT_EQ(Digest(ReadFile(Path("File1.tmp"))), Digest(body));
    EXPECT_EQ(core.TargetFile(), Path("File1.tmp"));
    EXPECT_FALSE(core.InDL());
    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_FALSE(requests[0].header("Range").has_value());
    EXPECT_EQ(requests[1].header("Range").value_or(""), "bytes=70000-299999");
    EXPECT_EQ(requests[1].header("If-Range").value_or(""), "\"v1\"");
    EXPECT_EQ(requests[2].header("Range").value_or(""), "bytes=120000-299999");
    EXPECT_EQ(requests[2].header("If-Range").value_or(""), "\"v1\"");
    // The host's events ran during the stall and the waits.
    EXPECT_GT(env->hookCalls - hooksBefore, 20);
}

TEST_F(SurvivalTest, OnlyWhenTheRetriesAreSpentDoesTheErrorEndRun) {
    // Every answer breaks off 10000 bytes into its body: five continuations
    // bring 60000 bytes, then the failure stands.
    const std::string body = ProbeCutFile(100000, 10000, 12);
    const auto before = Clock::now();
    core.download();
    const double waited = std::chrono::duration<double>(Clock::now() - before).count();

    EXPECT_EQ(Trace(trace.end() - 3, trace.end()), FailureEnd());
    EXPECT_EQ(Only(trace, "DLECode").size(), 1u);
    ExpectOneContinuousStream(60000);
    EXPECT_TRUE(SameBytes(ReadFile(Path("File1.tmp")), body.substr(0, 60000)));
    EXPECT_EQ(server.requestCount(), 6u);
    EXPECT_GE(waited, 0.75);  // 50 + 100 + 150 + 200 + 250 ms of waits
    EXPECT_TRUE(core.InDL());

    // A resume by the host afterwards starts where the data ends.
    server.setFile("/app.bin", File(body));
    trace.clear();
    core.DLResume();
    EXPECT_EQ(server.requests().back().header("Range").value_or(""), "bytes=60000-");
    EXPECT_EQ(trace.back(), kSuccess.back());
    EXPECT_EQ(Digest(ReadFile(Path("File1.tmp"))), Digest(body));
}

TEST_F(SurvivalTest, NoContinuationWithoutRangesOrAStrongValidator) {
    struct Case {
        const char* name;
        std::string etag;
        bool honourRange;
    };
    const Case cases[] = {
        {"a weak tag", "W/\"v1\"", true},
        {"no validator", "", true},
        {"no ranges", "\"v1\"", false},
    };
    const std::string body = pwtest::patternBytes(0, 50000, 13);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ServedFile file = File(body, c.etag);
        file.honourRange = c.honourRange;
        file.delivery.closeAfterBodyBytes = 20000;
        server.setFile("/n" + std::to_string(&c - cases), file);
        Use("/n" + std::to_string(&c - cases));
        const std::size_t requestsBefore = server.requestCount();
        core.GetFileInformation();
        trace.clear();
        core.download();
        EXPECT_EQ(Trace(trace.end() - 3, trace.end()), FailureEnd());
        EXPECT_EQ(server.requestCount(), requestsBefore + 1);
        EXPECT_TRUE(SameBytes(ReadFile(Path("File1.tmp")), body.substr(0, 20000)));
    }
}

TEST_F(SurvivalTest, CancelDuringTheWaitEndsAtOnce) {
    env->options.retryDelaysMs = {10000};
    const std::string body = ProbeCutFile(50000, 20480, 14);
    bool cut = false;
    QObject::connect(&core, &DownLoadCore::RecievedBytes,
                     [&cut](qint64 bytes) { cut = cut || bytes == 20480; });
    env->onProcessEvents = [&](int) {
        if (cut && !core.CCancel()) {
            core.Cancel();
        }
    };
    const auto before = Clock::now();
    core.download();
    const double waited = std::chrono::duration<double>(Clock::now() - before).count();
    EXPECT_LT(waited, 5.0);
    EXPECT_EQ(Trace(trace.end() - 3, trace.end()),
              (Trace{"StatusChange:Cancelling..", "DLECode:4", "StatusChange:Cancelled."}));
    EXPECT_FALSE(core.CCancel());
    EXPECT_TRUE(core.InDL());
    EXPECT_EQ(server.requestCount(), 1u);
    EXPECT_TRUE(SameBytes(ReadFile(Path("File1.tmp")), body.substr(0, 20480)));
}

// A private nginx that drops a client which reads nothing for a second.
class NginxSurvivalTest : public SurvivalTest {
protected:
    void SetUp() override {
        SurvivalTest::SetUp();
        ASSERT_TRUE(QDir().mkpath(Path("www")));
        QProcess start;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("PW_NGINX_SEND_TIMEOUT"), QStringLiteral("1s"));
        start.setProcessEnvironment(environment);
        start.start(QStringLiteral("bash"), {QStringLiteral(PW_NGINX_LAUNCHER),
                                             QStringLiteral("start"), Path("www"), Path("nginx")});
        ASSERT_TRUE(start.waitForFinished(30000));
        ASSERT_EQ(start.exitCode(), 0) << start.readAllStandardError().toStdString();
        port = QString::fromLatin1(start.readAllStandardOutput()).trimmed();
        started = true;
    }
    void TearDown() override {
        if (started) {
            QProcess::execute(QStringLiteral("bash"), {QStringLiteral(PW_NGINX_LAUNCHER),
                                                       QStringLiteral("stop"), Path("nginx")});
        }
    }
    QString Address(const char* path) const {
        return QStringLiteral("http://127.0.0.1:%1%2").arg(port, QString::fromLatin1(path));
    }
    Trace AccessLog() const {
        Trace lines;
        for (const QByteArray& line :
             QByteArray::fromStdString(ReadFile(Path("nginx/access.log"))).split('\n')) {
            if (!line.isEmpty()) {
                lines.push_back(line.toStdString());
            }
        }
        return lines;
    }

    QString port;
    bool started = false;
};

TEST_F(NginxSurvivalTest, APauseLongerThanTheServersPatienceIsSurvived) {
    // Larger than every buffer between nginx and the control, so that nginx
    // still has bytes to send when it gives up on the paused client.
    const std::string body = pwtest::patternBytes(0, 24 * 1024 * 1024, 15);
    WriteFile(Path("www/setup.exe"), body);
    core.setUrl(Address("/setup.exe"));
    core.setCHUNK(64 * 1024);
    core.GetFileInformation();
    ASSERT_EQ(core.FileSize(), static_cast<qint32>(body.size()));
    ASSERT_TRUE(core.ResumeSupported());
    QObject::connect(&core, &DownLoadCore::RecievedBytes, [this](qint64 bytes) {
        if (bytes == 1024 * 1024) {
            core.Pause(true);
        }
    });
    Clock::time_point pausedAt{};
    env->onProcessEvents = [&](int) {
        if (!core.CPause()) {
            return;
        }
        const auto now = Clock::now();
        if (pausedAt == Clock::time_point{}) {
            pausedAt = now;
        } else if (now - pausedAt > std::chrono::milliseconds(2500)) {
            core.Pause(false);  // well past nginx's one second
        }
    };
    trace.clear();
    core.download();

    EXPECT_EQ(Only(trace, "DLECode").size(), 0u);
    EXPECT_EQ(Trace(trace.end() - 2, trace.end()), kSuccess);
    EXPECT_FALSE(Only(trace, "StatusChange:Paused.").empty());
    ExpectOneContinuousStream(static_cast<qint64>(body.size()));
    EXPECT_EQ(Digest(ReadFile(Path("File1.tmp"))), Digest(body));
    // The first request, cut off by nginx, and the range that completed it.
    const Trace log = AccessLog();
    ASSERT_EQ(log.size(), 2u);  // the probe's request is the download's
    EXPECT_NE(log[0].find("\" 200 "), std::string::npos) << log[0];
    EXPECT_NE(log[1].find("\" 206 "), std::string::npos) << log[1];
}

}  // namespace
}  // namespace patchwell::download::testing
