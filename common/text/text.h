#pragma once

// Small text helpers shared by the INI access and the HTTP code: trimming of
// blanks, case-insensitive comparison and the HTTP status line. Header-only,
// no allocation, no locale.

#include <cstdint>
#include <optional>
#include <string_view>

namespace text {

// Space and tab: the blanks of INI lines and HTTP header fields.
constexpr std::string_view kBlanks = " \t";
// Blanks and line ends, for a header line as it arrives.
constexpr std::string_view kBlanksAndLineEnds = " \t\r\n";

inline std::string_view Trim(std::string_view s, std::string_view blanks = kBlanks) {
    const auto first = s.find_first_not_of(blanks);
    if (first == std::string_view::npos) {
        return {};
    }
    const auto last = s.find_last_not_of(blanks);
    return s.substr(first, last - first + 1);
}

inline char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

inline bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (LowerAscii(a[i]) != LowerAscii(b[i])) {
            return false;
        }
    }
    return true;
}

inline bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
    return s.size() >= prefix.size() && EqualsNoCase(s.substr(0, prefix.size()), prefix);
}

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
    if (pos + 3 < line.size() && kBlanksAndLineEnds.find(line[pos + 3]) == std::string_view::npos) {
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
    value = Trim(value, kBlanksAndLineEnds);
    if (!StartsWithNoCase(value, "bytes ")) {
        return std::nullopt;
    }
    value = Trim(value.substr(6));
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

}  // namespace text
