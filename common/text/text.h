#pragma once

// Small text helpers shared by the INI access and the HTTP code: trimming of
// blanks and case-insensitive comparison. Header-only, no allocation, no
// locale.

#include <string_view>

namespace common {

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

}  // namespace common
