#include "patchwell/download/http/http_headers.h"

#include <curl/curl.h>

#include <algorithm>

#include "common/text/text.h"
#include "patchwell/download/http/http_parsing.h"

namespace patchwell::http {

namespace {

std::string_view trimmed(std::string_view s) {
    return common::Trim(s, common::kBlanksAndLineEnds);
}

}  // namespace

int StatusOf(std::string_view block) {
    const auto status = ParseStatusLine(block.substr(0, block.find('\n')));
    return status ? status->code : 0;
}

std::vector<HeaderField> HeaderFields(std::string_view block) {
    std::vector<HeaderField> fields;
    std::size_t pos = block.find('\n');  // skip the status line
    while (pos != std::string_view::npos && pos + 1 < block.size()) {
        const std::size_t start = pos + 1;
        const std::size_t end = block.find('\n', start);
        const auto line = block.substr(start, end == std::string_view::npos ? end : end - start);
        const auto colon = line.find(':');
        if (colon != std::string_view::npos) {
            const auto rawName = line.substr(0, colon);
            const auto name = trimmed(rawName);
            const bool blankBeforeColon =
                !rawName.empty() && name.size() != rawName.size() &&
                common::kBlanks.find(rawName.back()) != std::string_view::npos;
            fields.push_back({name, trimmed(line.substr(colon + 1)), blankBeforeColon});
        }
        pos = end;
    }
    return fields;
}

std::optional<std::string_view> FindHeader(std::string_view block, std::string_view name) {
    for (const HeaderField& field : HeaderFields(block)) {
        if (common::EqualsNoCase(field.name, name)) {
            return field.value;
        }
    }
    return std::nullopt;
}

bool HasControlCharacters(std::string_view value) {
    return std::any_of(value.begin(), value.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7f; });
}

std::string StrongValidator(std::string_view block) {
    const auto etag = FindHeader(block, "ETag");
    if (etag && !etag->empty() && etag->substr(0, 2) != "W/") {
        return HasControlCharacters(*etag) ? std::string() : std::string(*etag);
    }
    const auto modified = FindHeader(block, "Last-Modified");
    const auto date = FindHeader(block, "Date");
    if (!modified || !date || HasControlCharacters(*modified)) {
        return {};
    }
    const time_t m = curl_getdate(std::string(*modified).c_str(), nullptr);
    const time_t d = curl_getdate(std::string(*date).c_str(), nullptr);
    if (m > 0 && d > 0 && d - m >= 60) {
        return std::string(*modified);
    }
    return {};
}

bool RangeCarries(std::string_view contentRange, std::int64_t first, std::int64_t end,
                  std::int64_t total) {
    const auto range = ParseContentRange(contentRange);
    return range && end > first && range->first == first && range->last == end - 1 &&
           range->total == total;
}

int RetryAfterMs(std::string_view block, int most, std::time_t now) {
    const auto value = FindHeader(block, "Retry-After");
    if (!value) {
        return -1;
    }
    std::int64_t seconds = 0;
    if (!ParseDecimal(*value, seconds)) {
        const time_t when = curl_getdate(std::string(*value).c_str(), nullptr);
        if (when <= 0) {
            return -1;
        }
        seconds = std::max<std::int64_t>(0, when - now);
    }
    return static_cast<int>(std::min<std::int64_t>(seconds * 1000, most));
}

LengthCheck CheckLength(std::string_view block, std::int64_t libraryLength) {
    std::vector<std::int64_t> lengths;
    bool chunked = false;
    for (const HeaderField& field : HeaderFields(block)) {
        if (common::EqualsNoCase(field.name, "Transfer-Encoding")) {
            chunked = true;
        }
        if (!common::EqualsNoCase(field.name, "Content-Length")) {
            continue;
        }
        std::int64_t length = 0;
        if (field.blankBeforeColon || !ParseDecimal(field.value, length)) {
            return {false, -1, "a malformed Content-Length"};
        }
        lengths.push_back(length);
    }
    if (lengths.empty()) {
        if (libraryLength >= 0 && !chunked) {
            return {false, -1, "a length the answer does not state"};
        }
        return {true, -1, ""};
    }
    const bool agree = std::all_of(lengths.begin(), lengths.end(),
                                   [&](std::int64_t n) { return n == lengths.front(); });
    if (!agree || chunked || libraryLength != lengths.front()) {
        return {false, -1, "conflicting lengths"};
    }
    return {true, libraryLength, ""};
}

}  // namespace patchwell::http
