#pragma once

// Reading the parts of an HTTP/1.x answer that patchwell's requests decide
// by: the status line, plain decimal numbers and a Content-Range value.
// Header-only, no allocation, no locale.

#include <cstdint>
#include <optional>
#include <string_view>

#include "common/text/text.h"

namespace patchwell::http {

// "HTTP/1.1 200 OK": the version digits and the three-digit code.
struct StatusLine {
    int major = 0;
    int minor = 0;
    int code = 0;
};

// Reads a status line the way HTTP/1.x defines it: "HTTP/" digit "." digit,
// one or more blanks, three digits, then a blank or the end of the line.
// Anything else is no status line.
inline std::optional<StatusLine> ParseStatusLine(std::string_view line) {
    const auto digit = [](char c) { return c >= '0' && c <= '9'; };
    if (line.size() < 12 || line.substr(0, 5) != "HTTP/" || !digit(line[5]) || line[6] != '.' ||
        !digit(line[7])) {
        return std::nullopt;
    }
    std::size_t pos = 8;
    if (line[pos] != ' ' && line[pos] != '\t') {
        return std::nullopt;
    }
    while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t')) {
        ++pos;
    }
    if (pos + 3 > line.size() || !digit(line[pos]) || !digit(line[pos + 1]) ||
        !digit(line[pos + 2])) {
        return std::nullopt;
    }
    if (pos + 3 < line.size() &&
        common::kBlanksAndLineEnds.find(line[pos + 3]) == std::string_view::npos) {
        return std::nullopt;
    }
    StatusLine status;
    status.major = line[5] - '0';
    status.minor = line[7] - '0';
    status.code = (line[pos] - '0') * 100 + (line[pos + 1] - '0') * 10 + (line[pos + 2] - '0');
    return status;
}

// Plain decimal digits, at most 18 of them (no sign, no blanks).
inline bool ParseDecimal(std::string_view s, std::int64_t& out) {
    if (s.empty() || s.size() > 18) {
        return false;
    }
    std::int64_t value = 0;
    for (const char c : s) {
        if (c < '0' || c > '9') {
            return false;
        }
        value = value * 10 + (c - '0');
    }
    out = value;
    return true;
}

// A "Content-Range" value "bytes FIRST-LAST/TOTAL"; TOTAL "*" reads as -1.
struct ContentRange {
    std::int64_t first = 0;
    std::int64_t last = 0;
    std::int64_t total = -1;
};

inline std::optional<ContentRange> ParseContentRange(std::string_view value) {
    value = common::Trim(value, common::kBlanksAndLineEnds);
    if (!common::StartsWithNoCase(value, "bytes ")) {
        return std::nullopt;
    }
    value = common::Trim(value.substr(6));
    const auto dash = value.find('-');
    const auto slash = value.find('/');
    ContentRange range;
    if (dash == std::string_view::npos || slash == std::string_view::npos || slash < dash ||
        !ParseDecimal(value.substr(0, dash), range.first) ||
        !ParseDecimal(value.substr(dash + 1, slash - dash - 1), range.last) ||
        range.last < range.first) {
        return std::nullopt;
    }
    const auto total = value.substr(slash + 1);
    if (total != "*" && !ParseDecimal(total, range.total)) {
        return std::nullopt;
    }
    return range;
}

}  // namespace patchwell::http
