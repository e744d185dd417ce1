#include "patchwell/download/http/http_headers.h"

#include <gtest/gtest.h>

#include <string>

using namespace patchwell::http;

namespace {

std::string Block(const std::string& lines) {
    return "HTTP/1.1 200 OK\r\n" + lines + "\r\n";
}

}  // namespace

TEST(HttpHeaders, FieldsAreReadOnceWithTheirBlanksAndCase) {
    const std::string block =
        Block("Content-Type:  text/plain \r\nX-Odd : a\r\netag: \"v1\"\r\nno colon here\r\n");
    EXPECT_EQ(StatusOf(block), 200);
    EXPECT_EQ(StatusOf("HTTP/1.1 20 OK\r\n"), 0);
    EXPECT_EQ(StatusOf(""), 0);
    const auto fields = HeaderFields(block);
    ASSERT_EQ(fields.size(), 3u);
    EXPECT_EQ(fields[0].value, "text/plain");
    EXPECT_FALSE(fields[0].blankBeforeColon);
    EXPECT_EQ(fields[1].name, "X-Odd");
    EXPECT_TRUE(fields[1].blankBeforeColon);
    EXPECT_EQ(FindHeader(block, "ETAG").value_or("none"), "\"v1\"");
    EXPECT_FALSE(FindHeader(block, "Location").has_value());
    EXPECT_TRUE(HasControlCharacters("a\x01"));
    EXPECT_TRUE(HasControlCharacters("a\x7f"));
    EXPECT_FALSE(HasControlCharacters("\"v1\" Tue, 01 Dec 2026"));
}

TEST(HttpHeaders, OnlyAStrongValidatorMayGuardARange) {
    const struct {
        const char* lines;
        const char* validator;
    } cases[] = {
        {"ETag: \"v1\"\r\n", "\"v1\""},
        // A weak tag does not; a date does only a minute or more before the answer's.
        {"ETag: W/\"v1\"\r\n", ""},
        {"ETag: W/\"v1\"\r\nLast-Modified: Tue, 01 Dec 2026 10:00:00 GMT\r\n"
         "Date: Tue, 01 Dec 2026 10:01:00 GMT\r\n",
         "Tue, 01 Dec 2026 10:00:00 GMT"},
        {"Last-Modified: Tue, 01 Dec 2026 10:00:00 GMT\r\nDate: Tue, 01 Dec 2026 10:00:59 GMT\r\n",
         ""},
        {"Last-Modified: Tue, 01 Dec 2026 10:00:00 GMT\r\n", ""},
        {"Last-Modified: not a date\r\nDate: Tue, 01 Dec 2026 10:05:00 GMT\r\n", ""},
        // Values with control characters are never sent back.
        {"ETag: \"a\x01b\"\r\nLast-Modified: Tue, 01 Dec 2026 10:00:00 GMT\r\n"
         "Date: Tue, 01 Dec 2026 10:05:00 GMT\r\n",
         ""},
        {"", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.lines);
        EXPECT_EQ(StrongValidator(Block(c.lines)), c.validator);
    }
}

TEST(HttpHeaders, ARangeFitsOnlyWhenItNamesExactlyTheMissingBytes) {
    const struct {
        const char* contentRange;
        std::int64_t first, end, total;
        bool fits;
    } cases[] = {
        {"bytes 1000-2999/3000", 1000, 3000, 3000, true},
        {"BYTES  0-0/1", 0, 1, 1, true},
        {"bytes 1000-2999/*", 1000, 3000, 3000, false},  // an unknown total
        {"bytes 1000-2998/3000", 1000, 3000, 3000, false},
        {"bytes 999-2999/3000", 1000, 3000, 3000, false},
        {"bytes 1000-2999/3001", 1000, 3000, 3000, false},
        {"bytes 3000-2999/3000", 3000, 3000, 3000, false},  // nothing missing
        {"bytes=1000-2999/3000", 1000, 3000, 3000, false},
        {"", 0, 1, 1, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.contentRange);
        EXPECT_EQ(RangeCarries(c.contentRange, c.first, c.end, c.total), c.fits);
    }
}

TEST(HttpHeaders, RetryAfterAndTheStatedLength) {
    const std::time_t now = 1796119200;  // Tue, 01 Dec 2026 10:00:00 GMT
    EXPECT_EQ(RetryAfterMs(Block("Retry-After: 3\r\n"), 60000, now), 3000);
    EXPECT_EQ(RetryAfterMs(Block("Retry-After: 3600\r\n"), 60000, now), 60000);
    EXPECT_EQ(RetryAfterMs(Block("Retry-After: Tue, 01 Dec 2026 10:00:05 GMT\r\n"), 60000, now),
              5000);
    EXPECT_EQ(RetryAfterMs(Block("Retry-After: Tue, 01 Dec 2026 09:00:00 GMT\r\n"), 60000, now), 0);
    EXPECT_EQ(RetryAfterMs(Block("Retry-After: soon\r\n"), 60000, now), -1);
    EXPECT_EQ(RetryAfterMs(Block(""), 60000, now), -1);

    const struct {
        const char* lines;
        std::int64_t libraryLength;
        bool ok;
        std::int64_t length;
    } lengths[] = {
        {"Content-Length: 5000\r\n", 5000, true, 5000},
        {"Content-Length: 5000\r\nContent-Length: 5000\r\n", 5000, true, 5000},
        {"", -1, true, -1},
        {"Transfer-Encoding: chunked\r\n", -1, true, -1},
        {"Content-Length: 5000\r\nContent-Length: 5001\r\n", 5000, false, -1},
        {"Content-Length : 5000\r\n", 5000, false, -1},
        {"Content-Length: +5000\r\n", 5000, false, -1},
        {"Content-Length: 5000\r\nTransfer-Encoding: chunked\r\n", -1, false, -1},
        {"", 5000, false, -1},
    };
    for (const auto& c : lengths) {
        SCOPED_TRACE(c.lines);
        const LengthCheck check = CheckLength(Block(c.lines), c.libraryLength);
        EXPECT_EQ(check.ok, c.ok);
        EXPECT_EQ(check.length, c.length);
    }
}
