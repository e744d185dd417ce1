#include "patchwell/download/control/testing/core_fixture.h"

namespace patchwell::download::testing {
namespace {

using ProbeTest = CoreTest;

const std::string kInitiating = "StatusChange:Initiating Connection.";
const std::string kAccepted = "StatusChange:Connection Accepted, Retrieving File Information.";
const std::string kComplete = "StatusChange:Retrieving File Information Complete!";

TEST_F(ProbeTest, Http11AnswerWithLength) {
    Answer answer = Answer::Make("HTTP/1.1 200 OK", Bytes(5000));
    answer.pendingPasses = 3;
    env->log->answers.push_back(answer);
    core.GetFileInformation();
    EXPECT_EQ(trace, (Trace{kInitiating, kAccepted, kComplete}));
    EXPECT_TRUE(core.FileExists());
    EXPECT_EQ(core.FileSize(), 5000);
    EXPECT_TRUE(core.ResumeSupported());
    EXPECT_TRUE(core.AResume());
    EXPECT_EQ(env->processEventsCalls, 3);  // one pass of host events per wait pass
    EXPECT_EQ(env->log->calls, (std::vector<std::string>{"SetURL http://127.0.0.1/files/setup.exe",
                                                         "Execute GET "}));
}

TEST_F(ProbeTest, Http10AnswerLeavesResumeSupportAsItWas) {
    Probe(Answer::Make("HTTP/1.0 200 OK", Bytes(10)));
    EXPECT_FALSE(core.ResumeSupported());
    EXPECT_EQ(core.FileSize(), 10);
    Probe(Answer::Make("HTTP/1.1 200 OK", Bytes(10)));
    Probe(Answer::Make("HTTP/1.0 200 OK", Bytes(20)));
    EXPECT_TRUE(core.ResumeSupported());
    EXPECT_EQ(core.FileSize(), 20);
}

TEST_F(ProbeTest, RefusedAndMissingFiles) {
    Probe(Answer::Make("HTTP/1.1 200 OK", Bytes(700)));
    ASSERT_TRUE(core.ResumeSupported());

    env->log->answers.push_back(Answer::Make("HTTP/1.1 404 Not Found", "gone"));
    core.GetFileInformation();
    EXPECT_EQ(trace, (Trace{kInitiating, kAccepted, "DLError:File Not Found!",
                            "StatusChange:File Not Found!", "DLECode:2"}));
    EXPECT_FALSE(core.FileExists());
    EXPECT_EQ(core.FileSize(), 0);
    EXPECT_TRUE(core.ResumeSupported());
    EXPECT_EQ(env->log->calls.back(), "Cancel");

    trace.clear();
    env->log->answers.push_back(Answer::Make("HTTP/1.1 403 Forbidden", "no"));
    core.GetFileInformation();
    EXPECT_EQ(trace,
              (Trace{kInitiating, kAccepted, "StatusChange:Access Denied, Download Terminated!",
                     "DLECode:403", "DLError:Access Denied!"}));
    EXPECT_TRUE(core.FileExists());
    EXPECT_EQ(core.FileSize(), 0);
    EXPECT_FALSE(core.ResumeSupported());
    EXPECT_EQ(env->log->calls.back(), "Cancel");

    Probe(Answer::Make("HTTP/1.1 200 OK", Bytes(700)));
    env->log->answers.push_back(Answer::Make("HTTP/1.0 401 Unauthorized", "who?"));
    core.GetFileInformation();
    EXPECT_EQ(trace, (Trace{kInitiating, kAccepted,
                            "StatusChange:Unauthorized Access, Download Terminated!", "DLECode:401",
                            "DLError:Unauthorized Access!"}));
    EXPECT_TRUE(core.FileExists());
    EXPECT_EQ(core.FileSize(), 0);
    EXPECT_FALSE(core.AResume());
    EXPECT_EQ(env->log->calls.back(), "Cancel");
}

TEST_F(ProbeTest, OtherErrorStatusesAreFailuresNotFiles) {
    for (const char* line : {"HTTP/1.1 500 Internal Server Error", "HTTP/1.0 410 Gone",
                             "HTTP/1.1 503 Service Unavailable"}) {
        SCOPED_TRACE(line);
        Probe(Answer::Make("HTTP/1.1 200 OK", Bytes(700)));
        env->log->answers.push_back(Answer::Make(line, "<html>error page</html>"));
        core.GetFileInformation();
        const std::string code = std::string(line).substr(9, 3);
        EXPECT_EQ(trace,
                  (Trace{kInitiating, kAccepted, "StatusChange:Server Error, Download Terminated!",
                         "DLECode:" + code, "DLError:Server Error!"}));
        EXPECT_FALSE(core.FileExists());
        EXPECT_EQ(core.FileSize(), 0);
        EXPECT_EQ(env->log->calls.back(), "Cancel");
        trace.clear();
    }
}

TEST_F(ProbeTest, OtherSuccessAndRedirectStatusesTakeTheSuccessPath) {
    env->log->answers.push_back(Answer::Make("HTTP/1.1 206 Partial Content", Bytes(30)));
    core.GetFileInformation();
    EXPECT_EQ(trace, (Trace{kInitiating, kAccepted, kComplete}));
    EXPECT_EQ(core.FileSize(), 30);
    EXPECT_EQ(env->log->Count("Cancel"), 0);  // the body stays open for the transfer
}

TEST_F(ProbeTest, UnusableLengthsFailTheProbe) {
    Probe(Answer::Make("HTTP/1.1 200 OK", Bytes(5000)));
    const Trace failure{kInitiating, kAccepted, "DLError:Error Reading File Headers.",
                        "StatusChange:Error Reading File Headers!", "DLECode:3"};
    for (const char* length : {"", "abc", "9223372036854775808", "-5", "12x"}) {
        SCOPED_TRACE(length);
        std::string headers =
            *length == '\0' ? "" : std::string("Content-Length: ") + length + "\r\n";
        Answer answer = Answer::Make("HTTP/1.1 200 OK", "body", false, headers);
        env->log->answers.push_back(answer);
        core.GetFileInformation();
        EXPECT_EQ(trace, failure);
        EXPECT_EQ(core.FileSize(), 5000);
        EXPECT_TRUE(core.FileExists());
        EXPECT_EQ(env->log->Count("Cancel"), 0);
        trace.clear();
    }
    // Lengths of 2 GiB and more (an installer past 4 GiB) are lengths too.
    for (const qint64 length :
         {Q_INT64_C(2147483647), Q_INT64_C(2147483648), Q_INT64_C(5368709120)}) {
        env->log->answers.push_back(Answer::Make(
            "HTTP/1.1 200 OK", "", false, "Content-Length: " + std::to_string(length) + "\r\n"));
        core.GetFileInformation();
        EXPECT_EQ(trace, (Trace{kInitiating, kAccepted, kComplete}));
        EXPECT_EQ(core.FileSize(), length);
        trace.clear();
    }
}

TEST_F(ProbeTest, ComponentFailures) {
    // The request itself refused: nothing was initiated.
    core.GetFileInformation();
    EXPECT_EQ(trace, (Trace{"DLError:Error Reading File Headers.",
                            "StatusChange:Error Reading File Headers!", "DLECode:3"}));
    trace.clear();
    Answer answer = Answer::Make("HTTP/1.1 200 OK", "x");
    answer.failHeader = true;
    env->log->answers.push_back(answer);
    core.GetFileInformation();
    EXPECT_EQ(trace, (Trace{kInitiating, kAccepted, "DLError:Error Reading File Headers.",
                            "StatusChange:Error Reading File Headers!", "DLECode:3"}));
}

TEST_F(ProbeTest, CancelDuringTheWaitEndsAfterIt) {
    Probe(Answer::Make("HTTP/1.1 200 OK", Bytes(5000)));
    Answer answer = Answer::Make("HTTP/1.1 200 OK", Bytes(10));
    answer.pendingPasses = 4;
    env->log->answers.push_back(answer);
    env->onProcessEvents = [this](int call) {
        if (call == 1) {
            core.Cancel();
        }
    };
    core.GetFileInformation();
    EXPECT_EQ(trace, (Trace{kInitiating, "StatusChange:Cancelling..", kAccepted, "DLECode:4",
                            "StatusChange:cancelled."}));
    EXPECT_EQ(env->processEventsCalls, 4);
    EXPECT_FALSE(core.CCancel());
    EXPECT_EQ(core.FileSize(), 5000);
    EXPECT_EQ(env->log->Count("Cancel"), 0);
}

TEST_F(ProbeTest, ACancelLeftOverIsClearedOnEntry) {
    core.Cancel();
    trace.clear();
    env->log->answers.push_back(Answer::Make("HTTP/1.1 200 OK", Bytes(10)));
    core.GetFileInformation();
    EXPECT_EQ(trace, (Trace{kInitiating, kAccepted, kComplete}));
    EXPECT_FALSE(core.CCancel());
}

TEST_F(ProbeTest, OfflineCheckShowsTheNoticeAndMakesNoRequest) {
    core.setOnlineCheck(true);
    env->connection = ConnectionStatus{false, ConnectionStatus::kLan | ConnectionStatus::kProxy};
    core.GetFileInformation();
    EXPECT_EQ(trace, (Trace{"ConnectionState:Connected Via LAN.",
                            "ConnectionState:Connected Through A Proxy.",
                            "MessageBox[|OK|None]:You are not currently connected to the "
                            "internet!\r\nThe download will be aborted!",
                            "DLECode:5", "DLError:No Connection Found!",
                            "StatusChange:Download aborted, no connection present!"}));
    EXPECT_FALSE(core.Connected());
    EXPECT_TRUE(env->log->calls.empty());
}

TEST_F(ProbeTest, OnlineCheckReportsEachKindOfConnection) {
    core.setOnlineCheck(true);
    env->connection = ConnectionStatus{true, ConnectionStatus::kModem | ConnectionStatus::kProxy};
    env->log->answers.push_back(Answer::Make("HTTP/1.1 200 OK", Bytes(10)));
    core.GetFileInformation();
    EXPECT_EQ(trace, (Trace{"ConnectionState:Connected Via Modem.",
                            "ConnectionState:Connected Through A Proxy.", kInitiating, kAccepted,
                            kComplete}));
    EXPECT_TRUE(core.Connected());

    // Without the check, Connected keeps its value.
    core.setOnlineCheck(false);
    env->connection = ConnectionStatus{false, 0};
    Probe(Answer::Make("HTTP/1.1 200 OK", Bytes(10)));
    EXPECT_TRUE(core.Connected());
}

}  // namespace
}  // namespace patchwell::download::testing
