// Answers of a hostile server that must never end in "Download Successful!":
// status lines and lengths read differently by different parsers, statuses
// that are not the file, ranges that do not fit and bodies of another size.
// Each case runs the host's steps against the real transfer component: a probe,
// then the transfer whatever the probe said (a host keeps the size of an
// earlier probe when a later one fails).

#include <algorithm>
#include <cstdio>

#include "patchwell/download/control/testing/loopback_fixture.h"

namespace patchwell::download::testing {
namespace {

using ShapesTest = LoopbackTest;

std::string Chunked(const std::string& body) {
    char size[32];
    std::snprintf(size, sizeof size, "%zx", body.size());
    return std::string(size) + "\r\n" + body + "\r\n0\r\n\r\n";
}

bool Has(const Trace& trace, const std::string& entry) {
    return std::find(trace.begin(), trace.end(), entry) != trace.end();
}

int HighestPercent(const Trace& trace) {
    int highest = 0;
    for (const std::string& entry : Only(trace, "Percent:")) {
        highest = std::max(highest, std::stoi(entry.substr(8)));
    }
    return highest;
}

TEST_F(ShapesTest, DownloadsOfAnswersThatAreNotTheFile) {
    struct Case {
        const char* name;
        std::string statusLine;
        std::vector<std::string> headers;
        std::string body;
        std::string probeCode;  // the probe's DLECode entry, or "" for none
        bool fileWritten;       // bytes of the answer may land as a partial file
    };
    const std::string page = "<html>" + std::string(2990, 'e') + "</html>";
    const std::vector<Case> cases = {
        {"two blanks after the version", "HTTP/1.1  404 Not Found", {}, page, "DLECode:2", false},
        {"a 404 with a header line that looks like a status line",
         "HTTP/1.1 404 Not Found",
         {"HTTP/1.1 200 OK"},
         page,
         "DLECode:3",  // the HTTP library refuses the answer
         false},
        {"two lengths",
         "HTTP/1.1 200 OK",
         {"Content-Length: 5000", "Content-Length: 3000"},
         page,
         "DLECode:3",
         false},
        {"a blank before the colon of the length",
         "HTTP/1.1 200 OK",
         {"Content-Length : 3000"},
         page,
         "DLECode:3",
         false},
        {"a length beside a chunked body",
         "HTTP/1.1 200 OK",
         {"Content-Length: 5000", "Transfer-Encoding: chunked"},
         Chunked(page),
         "DLECode:3",
         false},
        {"a redirect without a Location",
         "HTTP/1.1 302 Found",
         {"Content-Length: 3000"},
         page,
         "",
         false},
        {"a range nobody asked for",
         "HTTP/1.1 206 Partial Content",
         {"Content-Length: 3000", "Content-Range: bytes 0-2999/3000"},
         page,
         "",
         false},
        {"a shorter body without a length", "HTTP/1.0 200 OK", {}, page, "DLECode:3", true},
        {"a longer body without a length",
         "HTTP/1.0 200 OK",
         {},
         Bytes(7000, 6),
         "DLECode:3",
         true},
    };
    ScriptedResponse good;
    good.body = Bytes(5000);
    server.setResponse("/good", good);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedResponse answer;
        answer.statusLine = c.statusLine;
        answer.headers = c.headers;
        answer.autoContentLength = false;
        answer.body = c.body;
        server.setResponse("/hostile", answer);
        QFile::remove(Path("File1.tmp"));
        Use("/good");
        core.GetFileInformation();
        ASSERT_EQ(core.FileSize(), 5000);
        Use("/hostile");
        trace.clear();
        core.GetFileInformation();
        const Trace probe = Only(trace, "DLECode:");
        EXPECT_EQ(probe, c.probeCode.empty() ? Trace{} : Trace{c.probeCode});
        trace.clear();
        core.download();
        EXPECT_FALSE(Has(trace, "DLComplete"));
        EXPECT_FALSE(Has(trace, "StatusChange:Download Successful!"));
        EXPECT_LE(HighestPercent(trace), 100);
        EXPECT_EQ(QFile::exists(Path("File1.tmp")), c.fileWritten);
        if (!trace.empty() &&
            Has(trace, "StatusChange:Download Aborted Due To Error In Download!")) {
            EXPECT_EQ(Trace(trace.end() - 3, trace.end()), FailureEnd());
        }
    }
}

TEST_F(ShapesTest, ResumedAnswersMustFitTheRangeAndTheFile) {
    struct Case {
        const char* name;
        std::string statusLine;
        std::string contentRange;
        std::size_t bodyBytes;
    };
    const std::vector<Case> cases = {
        {"a range that ends short", "HTTP/1.1 206 Partial Content", "bytes 1000-1999/3000", 1000},
        {"a range that runs long", "HTTP/1.1 206 Partial Content", "bytes 1000-3999/4000", 3000},
        {"another total", "HTTP/1.1 206 Partial Content", "bytes 1000-2999/5000", 2000},
        {"another start", "HTTP/1.1 206 Partial Content", "bytes 900-2999/3000", 2100},
        {"no range at all", "HTTP/1.1 206 Partial Content", "", 2000},
        {"a whole body of another size", "HTTP/1.1 200 OK", "", 4000},
        {"a redirect without a Location", "HTTP/1.1 301 Moved Permanently", "", 2000},
    };
    const std::string body = Bytes(3000);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        server.setFile("/f", File(body));
        Use("/f");
        core.GetFileInformation();
        ASSERT_EQ(core.FileSize(), 3000);
        ASSERT_TRUE(core.ResumeSupported());
        WriteFile(Path("File1.tmp"), body.substr(0, 1000));
        ScriptedResponse answer;
        answer.statusLine = c.statusLine;
        if (!c.contentRange.empty()) {
            answer.headers = {"Content-Range: " + c.contentRange};
        }
        answer.body = Bytes(c.bodyBytes, 7);
        server.setResponse("/f", answer);
        trace.clear();
        core.DLResume();
        EXPECT_FALSE(Has(trace, "DLComplete"));
        EXPECT_EQ(Trace(trace.end() - 3, trace.end()), FailureEnd());
        EXPECT_LE(HighestPercent(trace), 100);
        EXPECT_TRUE(SameBytes(ReadFile(Path("File1.tmp")), body.substr(0, 1000)));
    }
}

}  // namespace
}  // namespace patchwell::download::testing
