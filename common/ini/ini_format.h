#pragma once

// The INI text format that both programs keep their settings in, on bytes.
// Section and key names match without regard to ASCII letter case; a value is
// the text after the first "=", blanks trimmed, one pair of matching quotes
// removed, and at most kMaxValueBytes long. No Qt here, so that the fuzzer and
// any tool can use it.

#include <cstddef>
#include <string>
#include <string_view>

namespace common {

// A value read is cut to this many bytes (never inside a UTF-8 sequence).
inline constexpr std::size_t kMaxValueBytes = 254;

// The value of `key` in the first section named `section`, or "" when the
// section or key is missing. A key that occurs twice reads its first value.
std::string ReadValue(std::string_view content, std::string_view section, std::string_view key);

// Sets `key` in `section` to `value` within `content`. Replaces the first
// matching key line in place, appends the key at the end of its section, or
// appends the section; every other line stays byte for byte. Returns false,
// leaving `content` alone, when section or key cannot be written as a line
// (empty, or holding a line break, "]" in a section or "=" in a key). A value
// ends at its first line break.
bool WriteValue(std::string& content, std::string_view section, std::string_view key,
                std::string_view value);

// Removes every line of `key` in the first section named `section` (the
// lines ReadValue could see), line break and all; every other line stays byte
// for byte. True when a line was removed.
bool RemoveValue(std::string& content, std::string_view section, std::string_view key);

// What ReadValue returns for a value written as `value` (blanks trimmed,
// quotes removed, line break and length cut).
std::string NormalizedValue(std::string_view value);

}  // namespace common
