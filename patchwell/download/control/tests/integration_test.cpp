// The control with the real libcurl transfer component against the scripted
// loopback server: exact answers, cuts, stalls, ranges and full disks.

#include <QFileInfo>

#include "patchwell/download/control/testing/loopback_fixture.h"

namespace patchwell::download::testing {
namespace {

using IntegrationTest = LoopbackTest;

TEST_F(IntegrationTest, ProbeReadsExactStatusLines) {
    ScriptedResponse old;
    old.statusLine = "HTTP/1.0 200 OK";
    old.body = Bytes(5000);
    server.setResponse("/old", old);
    Use("/old");
    core.GetFileInformation();
    EXPECT_EQ(trace, (Trace{kInitiating, kAccepted, kComplete}));
    EXPECT_EQ(core.FileSize(), 5000);
    EXPECT_TRUE(core.FileExists());
    EXPECT_FALSE(core.ResumeSupported());

    ScriptedResponse current;
    current.body = Bytes(4000);
    server.setResponse("/current", current);
    Use("/current");
    core.GetFileInformation();
    EXPECT_EQ(core.FileSize(), 4000);
    EXPECT_TRUE(core.ResumeSupported());

    // The same server in the old dialect keeps resume support as it was.
    Use("/old");
    core.GetFileInformation();
    EXPECT_TRUE(core.ResumeSupported());
}

TEST_F(IntegrationTest, ProbeRefusalsAndBadLengths) {
    const Trace headersFailed{kInitiating, kAccepted, "DLError:Error Reading File Headers.",
                              "StatusChange:Error Reading File Headers!", "DLECode:3"};
    struct Case {
        std::string statusLine;
        std::vector<std::string> headers;
        bool autoLength;
        Trace tail;
    };
    const std::vector<Case> cases = {
        {"HTTP/1.1 401 Unauthorized",
         {},
         true,
         {"StatusChange:Unauthorized Access, Download Terminated!", "DLECode:401",
          "DLError:Unauthorized Access!"}},
        {"HTTP/1.1 403 Forbidden",
         {},
         true,
         {"StatusChange:Access Denied, Download Terminated!", "DLECode:403",
          "DLError:Access Denied!"}},
        {"HTTP/1.0 404 Not Found",
         {},
         true,
         {"DLError:File Not Found!", "StatusChange:File Not Found!", "DLECode:2"}},
        {"HTTP/1.1 500 Internal Server Error",
         {},
         true,
         {"StatusChange:Server Error, Download Terminated!", "DLECode:500",
          "DLError:Server Error!"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.statusLine);
        ScriptedResponse answer;
        answer.statusLine = c.statusLine;
        answer.body = "<html>not the file</html>";
        server.setResponse("/x", answer);
        Use("/x");
        trace.clear();
        core.GetFileInformation();
        EXPECT_EQ(trace, Join({{kInitiating, kAccepted}, c.tail}));
        EXPECT_EQ(core.FileSize(), 0);
    }

    ScriptedResponse good;
    good.body = Bytes(777);
    server.setResponse("/good", good);
    Use("/good");
    core.GetFileInformation();
    // No length fails the probe; one of 2 GiB and more (past 4 GiB too) is
    // read whole, and a body that then breaks off fails the transfer.
    for (const qint64 length : {Q_INT64_C(-1), Q_INT64_C(2147483648), Q_INT64_C(5368709120)}) {
        SCOPED_TRACE(length);
        ScriptedResponse answer;
        if (length >= 0) {
            answer.headers = {"Content-Length: " + std::to_string(length)};
        }
        answer.autoContentLength = false;
        answer.body = Bytes(100);
        server.setResponse("/big", answer);
        Use("/big");
        trace.clear();
        core.GetFileInformation();
        if (length < 0) {
            EXPECT_EQ(trace, headersFailed);
            EXPECT_EQ(core.FileSize(), 777);
            continue;
        }
        EXPECT_EQ(trace, (Trace{kInitiating, kAccepted, kComplete}));
        EXPECT_EQ(core.FileSize(), length);
        trace.clear();
        core.download();
        ASSERT_FALSE(trace.empty());
        EXPECT_EQ(trace.back(), "DLECode:1");
    }
}

TEST_F(IntegrationTest, WorkedTransferThroughARedirect) {
    const std::string body = Bytes(2500);
    server.setFile("/files/setup.exe", File(body));
    server.setRedirect("/latest", "HTTP/1.1 302 Found", server.url("/files/setup.exe"));
    Use("/latest");
    WriteFile(Path("File1.tmp"), Bytes(9000, 2));
    core.GetFileInformation();
    ASSERT_EQ(core.FileSize(), 2500);
    trace.clear();
    core.download();
    EXPECT_EQ(
        trace,
        Join({{"StatusChange:Opening " + Path("File1.tmp").toStdString() + " For DATA Input."},
              Chunk("1 KB/S", "1 sec", 1024, 41),
              Chunk("2 KB/S", "0 sec", 2048, 82),
              Chunk("2.44 KB/S", "0 sec", 2500, 100),
              Chunk("2.44 KB/S", "0 sec", 2500, 100),
              kSuccess}));
    EXPECT_TRUE(SameBytes(ReadFile(Path("File1.tmp")), body));
    EXPECT_TRUE(server.waitForOpenConnections(0, std::chrono::seconds(10)));
}

TEST_F(IntegrationTest, Http10AnswerIsTransferredWhole) {
    // A 1.0 server that ends the connection after the body.
    ScriptedResponse answer;
    answer.statusLine = "HTTP/1.0 200 OK";
    answer.body = Bytes(10000);
    server.setResponse("/plain", answer);
    Use("/plain");
    core.GetFileInformation();
    trace.clear();
    core.download();
    EXPECT_EQ(Only(trace, "RecievedBytes").back(), "RecievedBytes:10000");
    EXPECT_EQ(Only(trace, "DLComplete").size(), 1u);
    EXPECT_TRUE(SameBytes(ReadFile(Path("File1.tmp")), answer.body));
}

TEST_F(IntegrationTest, StalledServerEndsTheProbeCheaply) {
    ScriptedResponse silent;
    silent.delivery.stallBeforeHeaders = true;
    server.setResponse("/silent", silent);
    Use("/silent");
    // Processor and wall time from the first to the last pass of the wait,
    // so that setting up the request does not count.
    double firstCpu = 0;
    double lastCpu = 0;
    Clock::time_point firstWall;
    Clock::time_point lastWall;
    env->onProcessEvents = [&](int call) {
        lastCpu = ProcessCpuSeconds();
        lastWall = Clock::now();
        if (call == 1) {
            firstCpu = lastCpu;
            firstWall = lastWall;
        }
    };
    const auto before = Clock::now();
    core.GetFileInformation();
    const double total = std::chrono::duration<double>(Clock::now() - before).count();
    server.releaseStalls();
    EXPECT_EQ(trace, (Trace{kInitiating, kAccepted, "DLError:Error Reading File Headers.",
                            "StatusChange:Error Reading File Headers!", "DLECode:3"}));
    EXPECT_GE(total, 0.9);
    EXPECT_LT(total, 3.0);          // the stall time-out is 1 s
    EXPECT_GT(env->hookCalls, 10);  // the host stayed responsive
    const double wall = std::chrono::duration<double>(lastWall - firstWall).count();
    const double cpu = lastCpu - firstCpu;
    ASSERT_GT(wall, 0.5);
    // A busy wait costs a whole core; the test server's thread takes a little besides.
    EXPECT_LT(cpu / wall, 0.10) << "cpu " << cpu << " s over " << wall << " s";
    std::printf("stalled probe: %.4f s of processor time over %.3f s of waiting\n", cpu, wall);
}

TEST_F(IntegrationTest, LostConnectionThenResumeCompletesTheFile) {
    const std::string body = pwtest::patternBytes(0, 300000, 3);
    ServedFile cut = File(body);
    cut.delivery.closeAfterBodyBytes = 100000;
    server.setFile("/big.bin", cut);
    Use("/big.bin");
    core.GetFileInformation();
    ASSERT_EQ(core.FileSize(), 300000);
    ASSERT_TRUE(core.ResumeSupported());
    trace.clear();
    core.download();
    EXPECT_TRUE(Only(trace, "DLComplete").empty());
    const Trace errorTail(trace.end() - 3, trace.end());
    EXPECT_EQ(errorTail, FailureEnd());
    // Every byte of a cut body lands in the file (the last ones in a short
    // chunk), and the file holds exactly what was reported.
    EXPECT_EQ(Only(trace, "RecievedBytes").back(), "RecievedBytes:100000");
    EXPECT_TRUE(SameBytes(ReadFile(Path("File1.tmp")), body.substr(0, 100000)));
    EXPECT_TRUE(core.InDL());

    server.setFile("/big.bin", File(body));
    trace.clear();
    core.DLResume();
    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 2u);  // the probe (whose body the transfer read) and the resume
    EXPECT_EQ(requests.back().header("Range").value_or(""), "bytes=100000-");
    EXPECT_EQ(requests.back().header("If-Range").value_or(""), "\"v1\"");
    const Trace received = Only(trace, "RecievedBytes");
    ASSERT_GE(received.size(), 2u);
    EXPECT_EQ(received.front(), "RecievedBytes:101024");
    EXPECT_EQ(received.back(), "RecievedBytes:300000");
    EXPECT_EQ(Only(trace, "Percent").back(), "Percent:100");
    EXPECT_EQ(trace.back(), kSuccess.back());
    EXPECT_EQ(Digest(ReadFile(Path("File1.tmp"))), Digest(body));
    EXPECT_FALSE(core.InDL());
}

TEST_F(IntegrationTest, WorkedResumeOfThreeThousandBytes) {
    const std::string body = Bytes(3000);
    server.setFile("/f", File(body));
    Use("/f");
    core.GetFileInformation();
    WriteFile(Path("File1.tmp"), body.substr(0, 1000));
    trace.clear();
    core.DLResume();
    const std::string status = "Recieving File, Inputting DATA to File.";
    EXPECT_EQ(
        trace,
        Join({{"StatusChange:Opening " + Path("File1.tmp").toStdString() + " For DATA Input."},
              Chunk("1 KB/S", "1 sec", 2024, 67, status),
              Chunk("1.95 KB/S", "0 sec", 3000, 100, status),
              Chunk("1.95 KB/S", "0 sec", 3000, 100, status),
              kSuccess}));
    EXPECT_EQ(server.requests().back().header("Range").value_or(""), "bytes=1000-");
    EXPECT_TRUE(SameBytes(ReadFile(Path("File1.tmp")), body));
}

TEST_F(IntegrationTest, ServerIgnoringTheRangeRewritesTheFile) {
    const std::string body = Bytes(50000, 8);
    ServedFile file = File(body);
    file.honourRange = false;
    server.setFile("/norange", file);
    Use("/norange");
    core.GetFileInformation();
    WriteFile(Path("File1.tmp"), body.substr(0, 20000));
    trace.clear();
    core.DLResume();
    EXPECT_EQ(Only(trace, "RecievedBytes").front(), "RecievedBytes:1024");
    EXPECT_EQ(Only(trace, "RecievedBytes").back(), "RecievedBytes:50000");
    EXPECT_EQ(trace.back(), kSuccess.back());
    EXPECT_TRUE(SameBytes(ReadFile(Path("File1.tmp")), body));
}

TEST_F(IntegrationTest, AChangedFileSentWholeLeavesThePartialFileAlone) {
    const std::string first = Bytes(40000, 1);
    const std::string second = Bytes(30000, 2);
    ServedFile cut = File(first, "\"v1\"");
    cut.delivery.closeAfterBodyBytes = 10000;
    server.setFile("/app.bin", cut);
    Use("/app.bin");
    core.GetFileInformation();
    core.download();
    ASSERT_TRUE(SameBytes(ReadFile(Path("File1.tmp")), first.substr(0, 10000)));

    // The new version comes whole, but it is not the file the probe announced
    // (nor of its size): the partial file stays as it was, for a new probe.
    server.setFile("/app.bin", File(second, "\"v2\""));
    trace.clear();
    core.DLResume();
    EXPECT_EQ(server.requests().back().header("If-Range").value_or(""), "\"v1\"");
    EXPECT_EQ(trace, FailureEnd());
    EXPECT_TRUE(SameBytes(ReadFile(Path("File1.tmp")), first.substr(0, 10000)));
}

TEST_F(IntegrationTest, StallDuringTheBodyFailsTheTransfer) {
    const std::string body = Bytes(20000);
    ServedFile file = File(body);
    file.delivery.stallAfterBodyBytes = 5000;
    server.setFile("/stall", file);
    Use("/stall");
    core.GetFileInformation();
    trace.clear();
    const auto before = Clock::now();
    core.download();
    const double wall = std::chrono::duration<double>(Clock::now() - before).count();
    server.releaseStalls();
    const Trace tail(trace.end() - 3, trace.end());
    EXPECT_EQ(tail, FailureEnd());
    EXPECT_LT(wall, 3.0);
    // The bytes before the stall are all written, so a resume starts there.
    EXPECT_EQ(Only(trace, "RecievedBytes").back(), "RecievedBytes:5000");
    EXPECT_TRUE(SameBytes(ReadFile(Path("File1.tmp")), body.substr(0, 5000)));
}

TEST_F(IntegrationTest, FullDiskEndsTheTransferWithoutACrash) {
    const std::string body = pwtest::patternBytes(0, 3 * 1024 * 1024, 5);
    server.setFile("/large", File(body));
    Use("/large");
    core.GetFileInformation();
    trace.clear();

    rlimit previous{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &previous), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = previous;
    small.rlim_cur = 256 * 1024;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    core.download();
    setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, oldHandler);

    const Trace tail(trace.end() - 3, trace.end());
    EXPECT_EQ(tail, FailureEnd());
    EXPECT_TRUE(Only(trace, "DLComplete").empty());
    EXPECT_TRUE(core.InDL());
    // What fit on the "disk" is the start of the body.
    const std::string written = ReadFile(Path("File1.tmp"));
    EXPECT_LE(written.size(), 256u * 1024u);
    EXPECT_TRUE(SameBytes(written, body.substr(0, written.size())));
}

TEST_F(IntegrationTest, ASymbolicLinkAtTheTargetIsNeverWrittenThrough) {
    const std::string body = pwtest::patternBytes(0, 3000, 7);
    server.setFile("/file", File(body));
    QTemporaryDir elsewhere;
    ASSERT_TRUE(elsewhere.isValid());
    const QString planted = elsewhere.filePath(QStringLiteral("planted"));

    // A dangling link: the download fails as any unwritable target does, and
    // nothing appears where the link points.
    ASSERT_TRUE(QFile::link(planted, Path("File1.tmp")));
    Use("/file");
    core.GetFileInformation();
    trace.clear();
    core.download();
    const Trace tail(trace.end() - 3, trace.end());
    EXPECT_EQ(tail, FailureEnd());
    EXPECT_FALSE(QFile::exists(planted));
    EXPECT_TRUE(QFileInfo(Path("File1.tmp")).isSymLink());

    // A link to an existing file: the link goes as an old file would, and the
    // file it pointed at keeps its content.
    {
        QFile out(planted);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write("keep me");
    }
    core.GetFileInformation();
    trace.clear();
    core.download();
    EXPECT_EQ(Only(trace, "DLComplete").size(), 1u);
    EXPECT_FALSE(QFileInfo(Path("File1.tmp")).isSymLink());
    EXPECT_TRUE(SameBytes(ReadFile(Path("File1.tmp")), body));
    EXPECT_EQ(ReadFile(planted), "keep me");
}

TEST_F(IntegrationTest, PauseAndCancelFromHandlers) {
    const std::string body = Bytes(100000);
    server.setFile("/p", File(body));
    Use("/p");
    core.GetFileInformation();
    int pausedAt = -1;
    QObject::connect(&core, &DownLoadCore::RecievedBytes, [&](qint64 bytes) {
        if (bytes == 10240) {
            core.Pause(true);
            pausedAt = env->hookCalls;
        }
        if (bytes == 51200) {
            core.Cancel();
        }
    });
    env->onProcessEvents = [&](int call) {
        if (pausedAt >= 0 && call == pausedAt + 5) {
            core.Pause(false);
        }
    };
    trace.clear();
    core.download();
    EXPECT_EQ(Only(trace, "StatusChange:Paused.").size(), 5u);
    EXPECT_EQ(Only(trace, "StatusChange:Unpausing").size(), 1u);
    EXPECT_EQ(env->sleeps, 4);
    const Trace tail(trace.end() - 2, trace.end());
    EXPECT_EQ(tail, (Trace{"DLECode:4", "StatusChange:Cancelled."}));
    EXPECT_EQ(Only(trace, "RecievedBytes").back(), "RecievedBytes:51200");
    EXPECT_TRUE(SameBytes(ReadFile(Path("File1.tmp")), body.substr(0, 51200)));
    EXPECT_TRUE(core.InDL());
    EXPECT_FALSE(core.CCancel());
}

TEST_F(IntegrationTest, PromptOverwriteAndKeepType) {
    const std::string body = Bytes(5000);
    server.setFile("/dl/patch.zip", File(body));
    Use("/dl/patch.zip");
    core.setKeepType(true);
    core.setPromptOverwrite(true);
    core.setSaveLocation(Path("appupdate.exe"));
    const std::string old = Bytes(20000, 4);
    WriteFile(Path("appupdate.zip"), old);
    env->scripted().answers = {MessageAnswer::No, MessageAnswer::No};
    env->scripted().inputs = {Path("appupdate.zip")};
    core.GetFileInformation();
    trace.clear();
    core.download();
    ASSERT_GE(trace.size(), 4u);
    EXPECT_EQ(trace[0],
              "MessageBox[Overwrite?|YesNo|Information]:Would you like to overwrite the "
              "file at: " +
                  Path("appupdate.zip").toStdString() + " ?");
    EXPECT_EQ(trace[2].rfind("MessageBox[Try Again?|YesNo|Stop]", 0), 0u);
    EXPECT_EQ(trace[3],
              "StatusChange:Opening " + Path("appupdate.zip").toStdString() + " For DATA Input.");
    EXPECT_EQ(trace.back(), kSuccess.back());
    EXPECT_TRUE(SameBytes(ReadFile(Path("appupdate.zip")), body));
    // The path actually written, for a host that runs and deletes it.
    EXPECT_EQ(core.TargetFile(), Path("appupdate.zip"));
    EXPECT_EQ(core.SaveLocation(), Path("appupdate.exe"));
}

TEST_F(IntegrationTest, OfflineMachineMakesNoRequest) {
    auto offline = std::make_shared<LoopbackEnvironment>(&trace, ConnectionStatus{false, 0});
    DownLoadCore control(offline);
    RecordEvents(&control, &trace);
    control.setOnlineCheck(true);
    server.setFile("/f", File(Bytes(10)));
    control.setUrl(QString::fromStdString(server.url("/f")));
    control.setSaveLocation(Path("f.bin"));
    control.GetFileInformation();
    control.download();
    control.DLResume();
    EXPECT_EQ(trace, (Trace{"MessageBox[|OK|None]:You are not currently connected to the "
                            "internet!\r\nThe download will be aborted!",
                            "DLECode:5", "DLError:No Connection Found!",
                            "StatusChange:Download aborted, no connection present!", "DLECode:5",
                            "DLError:No Connection Found!",
                            "StatusChange:Download aborted, no connection present!", "DLECode:5",
                            "DLError:No Connection Found!",
                            "StatusChange:Download aborted, no connection present!"}));
    EXPECT_EQ(server.requestCount(), 0u);
    EXPECT_FALSE(QFile::exists(Path("f.bin")));
}

TEST_F(IntegrationTest, HostStaysResponsiveWhileTheBodyFlows) {
    const std::string body = pwtest::patternBytes(0, 1024 * 1024, 9);
    ServedFile file = File(body);
    file.delivery.bytesPerSecond = 2 * 1024 * 1024;  // about half a second
    server.setFile("/slow", file);
    Use("/slow");
    core.GetFileInformation();
    env->hookCalls = 0;
    env->longestHookGap = {};
    core.download();
    EXPECT_EQ(trace.back(), kSuccess.back());
    EXPECT_EQ(Digest(ReadFile(Path("File1.tmp"))), Digest(body));
    // The environment's hook ran inside the reads, at short intervals.
    EXPECT_GE(env->hookCalls, 5);
    EXPECT_LT(std::chrono::duration<double>(env->longestHookGap).count(), 0.2);
    std::printf("hook calls while reading: %d, longest gap %.3f s\n", env->hookCalls,
                std::chrono::duration<double>(env->longestHookGap).count());
}

TEST_F(IntegrationTest, LargeBodyInSmallChunks) {
    const std::string body = pwtest::patternBytes(0, 16 * 1024 * 1024, 9);
    server.setFile("/fast", File(body));
    Use("/fast");
    env->realClock = true;
    core.GetFileInformation();
    int percents = 0;
    QObject::connect(&core, &DownLoadCore::Percent, [&percents](qint32) { ++percents; });
    const auto before = Clock::now();
    core.download();
    const double wall = std::chrono::duration<double>(Clock::now() - before).count();
    EXPECT_EQ(trace.back(), kSuccess.back());
    EXPECT_EQ(percents, 16 * 1024 + 1);
    EXPECT_EQ(Digest(ReadFile(Path("File1.tmp"))), Digest(body));
    std::printf("16 MiB in chunks of 1024: %.3f s\n", wall);
}

}  // namespace
}  // namespace patchwell::download::testing
