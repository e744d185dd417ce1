#include <gtest/gtest.h>

#include "patchwell/download/http/http_parsing.h"

namespace {

TEST(HttpParsing, StatusLines) {
    struct Case {
        const char* line;
        int code;  // 0: not a status line
        int minor;
    };
    const Case cases[] = {
        {"HTTP/1.1 200 OK\r\n", 200, 1},
        {"HTTP/1.0 404 Not Found", 404, 0},
        {"HTTP/1.1  404 Not Found", 404, 1},
        {"HTTP/1.1 204", 204, 1},
        {"HTTP/1.1 2000 OK", 0, 0},
        {"HTTP/1.1 20 OK", 0, 0},
        {"HTTP/1.1200 OK", 0, 0},
        {"http/1.1 200 OK", 0, 0},
        {"Content-Length: 5", 0, 0},
        {"", 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        const auto status = patchwell::http::ParseStatusLine(c.line);
        EXPECT_EQ(status ? status->code : 0, c.code);
        if (status) {
            EXPECT_EQ(status->major, 1);
            EXPECT_EQ(status->minor, c.minor);
        }
    }
}

}  // namespace
