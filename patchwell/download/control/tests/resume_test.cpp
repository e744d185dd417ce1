#include <QFile>

#include "patchwell/download/control/testing/core_fixture.h"

namespace patchwell::download::testing {
namespace {

using ResumeTest = CoreTest;

const std::string kResumed = "Recieving File, Inputting DATA to File.";
const Trace kSuccess{"DLComplete", "StatusChange:Download Successful!"};
const Trace kFailure{"DLError:Error Downloading File from : http://127.0.0.1/files/setup.exe",
                     "StatusChange:Download Aborted Due To Error In Download!", "DLECode:1"};

Trace Resumed(const std::string& rate, const std::string& left, int bytes, int percent) {
    return Chunk(rate, left, bytes, percent, kResumed);
}

Answer Partial(const std::string& whole, std::size_t from) {
    const std::string range = "Content-Range: bytes " + std::to_string(from) + "-" +
                              std::to_string(whole.size() - 1) + "/" +
                              std::to_string(whole.size()) + "\r\n";
    return Answer::Make("HTTP/1.1 206 Partial Content", whole.substr(from), true, range);
}

TEST_F(ResumeTest, RefusesWithoutAFileOrWithoutSupport) {
    Probe(Answer::Make("HTTP/1.1 200 OK", Bytes(3000)));
    core.DLResume();
    EXPECT_EQ(trace, (Trace{"DLError:Resume File Not Found!", "DLECode:6",
                            "StatusChange:Resume File Not Found, Aborting Download!"}));
    EXPECT_EQ(env->log->Count("Execute"), 0);
    EXPECT_EQ(env->log->Count("Cancel"), 0);

    trace.clear();
    Trace other;
    DownLoadCore fresh(env);
    RecordEvents(&fresh, &other);
    fresh.setSaveLocation(Path("part.bin"));
    WriteFile(Path("part.bin"), "abc");
    fresh.DLResume();
    EXPECT_EQ(other, (Trace{"DLError:Resume Not Supported!", "DLECode:7",
                            "StatusChange:Resume NotSupported, Aborting Download!"}));
    EXPECT_EQ(ReadFile(Path("part.bin")), "abc");
}

TEST_F(ResumeTest, AppendsTheMissingRange) {
    const std::string whole = Bytes(3000);
    Probe(Answer::Make("HTTP/1.1 200 OK", whole, true, "ETag: \"v1\"\r\n"));
    WriteFile(Path("File1.tmp"), whole.substr(0, 1000));
    env->log->answers.push_back(Partial(whole, 1000));
    core.DLResume();
    EXPECT_EQ(env->log->calls[1], "Execute GET Range: bytes=1000-\r\nIf-Range: \"v1\"\r\n");
    EXPECT_EQ(trace, Join({{Opening(Path("File1.tmp"))},
                           Resumed("1 KB/S", "1 sec", 2024, 67),
                           Resumed("1.95 KB/S", "0 sec", 3000, 100),
                           Resumed("1.95 KB/S", "0 sec", 3000, 100),
                           kSuccess}));
    EXPECT_EQ(ReadFile(Path("File1.tmp")), whole);
    EXPECT_FALSE(core.InDL());
    EXPECT_EQ(env->log->calls.back(), "Cancel");
}

TEST_F(ResumeTest, EmptyFileStartsAtZero) {
    const std::string whole = Bytes(1500);
    Probe(Answer::Make("HTTP/1.1 200 OK", whole, true,
                       "ETag: W/\"weak\"\r\nLast-Modified: Tue, 01 Dec 2026 10:00:00 GMT\r\n"
                       "Date: Tue, 01 Dec 2026 10:05:00 GMT\r\n"));
    WriteFile(Path("File1.tmp"), "");
    env->log->answers.push_back(Partial(whole, 0));
    core.DLResume();
    // A weak tag may not guard a range; a date well before the answer's does.
    EXPECT_EQ(env->log->calls[1],
              "Execute GET Range: bytes=0-\r\nIf-Range: Tue, 01 Dec 2026 10:00:00 GMT\r\n");
    EXPECT_EQ(trace.back(), kSuccess.back());
    EXPECT_EQ(ReadFile(Path("File1.tmp")), whole);
}

TEST_F(ResumeTest, WholeBodyInsteadOfTheRangeReplacesTheFile) {
    const std::string whole = Bytes(2500, 5);
    // A tag with a control character is not repeated to the server.
    Probe(Answer::Make("HTTP/1.1 200 OK", whole, true, "ETag: \"a\x01b\"\r\n"));
    WriteFile(Path("File1.tmp"), Bytes(1000, 6));
    env->log->answers.push_back(Answer::Make("HTTP/1.1 200 OK", whole));
    core.DLResume();
    EXPECT_EQ(env->log->calls[1], "Execute GET Range: bytes=1000-\r\n");
    EXPECT_EQ(trace, Join({{Opening(Path("File1.tmp"))},
                           Resumed("1 KB/S", "1 sec", 1024, 41),
                           Resumed("2 KB/S", "0 sec", 2048, 82),
                           Resumed("2.44 KB/S", "0 sec", 2500, 100),
                           Resumed("2.44 KB/S", "0 sec", 2500, 100),
                           kSuccess}));
    EXPECT_EQ(ReadFile(Path("File1.tmp")), whole);
}

TEST_F(ResumeTest, AnswersThatDoNotFitLeaveTheFileAlone) {
    const std::string whole = Bytes(3000);
    const std::string part = whole.substr(0, 1000);
    const std::vector<Answer> answers = {
        Partial(whole, 500),  // a range that starts elsewhere
        Answer::Make("HTTP/1.1 416 Range Not Satisfiable", "no"),
        Answer::Make("HTTP/1.1 206 Partial Content", whole.substr(1000)),  // no Content-Range
        Answer::Make("HTTP/1.1 500 Internal Server Error", "<html>oops</html>"),
    };
    for (const Answer& answer : answers) {
        SCOPED_TRACE(answer.header);
        Probe(Answer::Make("HTTP/1.1 200 OK", whole));
        WriteFile(Path("File1.tmp"), part);
        env->log->answers.push_back(answer);
        core.DLResume();
        EXPECT_EQ(trace, kFailure);
        EXPECT_EQ(ReadFile(Path("File1.tmp")), part);
        EXPECT_EQ(env->log->calls.back(), "Cancel");
    }
}

TEST_F(ResumeTest, ConnectionLostAgainKeepsWhatArrived) {
    const std::string whole = Bytes(5000);
    Probe(Answer::Make("HTTP/1.1 200 OK", whole));
    WriteFile(Path("File1.tmp"), whole.substr(0, 1000));
    Answer answer = Partial(whole, 1000);
    answer.failAtChunk = 2;
    env->log->answers.push_back(answer);
    core.DLResume();
    EXPECT_EQ(trace, Join({{Opening(Path("File1.tmp"))},
                           Resumed("1 KB/S", "3 sec", 2024, 40),
                           Resumed("2 KB/S", "1 sec", 3048, 61),
                           kFailure}));
    EXPECT_EQ(ReadFile(Path("File1.tmp")), whole.substr(0, 3048));
    EXPECT_TRUE(core.InDL());
}

TEST_F(ResumeTest, OnlineCheckRefusesWithoutAConnection) {
    core.setOnlineCheck(true);
    env->connection = ConnectionStatus{false, 0};
    core.GetFileInformation();
    WriteFile(Path("File1.tmp"), "abc");
    trace.clear();
    core.DLResume();
    EXPECT_EQ(trace, (Trace{"DLECode:5", "DLError:No Connection Found!",
                            "StatusChange:Download aborted, no connection present!"}));
    EXPECT_EQ(ReadFile(Path("File1.tmp")), "abc");
}

}  // namespace
}  // namespace patchwell::download::testing
