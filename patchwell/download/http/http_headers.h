#pragma once

// Reading HTTP answers, and the rules for continuing a body with a range
// request, in one place: the transfer's own retries and the download
// control's resumed transfer both decide by these. No Qt, no allocation
// beyond the returned strings; errors are explicit results.

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace patchwell::http {

// The status code of a header block that starts with a status line, or 0.
int StatusOf(std::string_view block);

// One header line of a block: name and value with blanks trimmed, and
// whether the raw name ended in a blank (a malformed line).
struct HeaderField {
    std::string_view name;
    std::string_view value;
    bool blankBeforeColon = false;
};

// The header lines of a block after its status line, in order.
std::vector<HeaderField> HeaderFields(std::string_view block);

// The value of the first header of that name (any case), or none.
std::optional<std::string_view> FindHeader(std::string_view block, std::string_view name);

// A control character (below space, or DEL) anywhere in the text: such a
// value is never sent back to a server.
bool HasControlCharacters(std::string_view value);

// The validator that may guard a range request (If-Range): a strong entity
// tag, else a Last-Modified date that lies at least 60 s before the answer's
// Date (a later one may change within its second and is weak). Empty when
// the answer carries neither, or only values with control characters.
std::string StrongValidator(std::string_view block);

// A Content-Range value that names exactly the bytes [first, end) of an
// entity of `total` bytes: the only answer to a range request whose body may
// be joined to the bytes already held.
bool RangeCarries(std::string_view contentRange, std::int64_t first, std::int64_t end,
                  std::int64_t total);

// Retry-After of a block in milliseconds (seconds, or an HTTP date counted
// from `now`), at most `most`; -1 when absent or unreadable.
int RetryAfterMs(std::string_view block, int most, std::time_t now);

// The body length an answer states, checked against the one the HTTP
// library read (`libraryLength`, -1 for none): a malformed field, two
// different values, a length beside a chunked body, or a length the answer
// does not state are errors, so that no reader with other rules may see
// another length than the library.
struct LengthCheck {
    bool ok = false;
    std::int64_t length = -1;  // -1: the answer states none (read to its end)
    const char* problem = "";
};
LengthCheck CheckLength(std::string_view block, std::int64_t libraryLength);

}  // namespace patchwell::http
