// Fuzzes the INI reader and writer: arbitrary content, section, key and value.
// Checks that a successful write reads back as written, that it changes at
// most the lines of that key and section, and that writing the same value
// again changes nothing.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "common/ini/ini_format.h"

namespace {

std::string_view Take(std::string_view& in) {
    const std::size_t sep = in.find('\x01');
    std::string_view part = in.substr(0, sep);
    in.remove_prefix(sep == std::string_view::npos ? in.size() : sep + 1);
    return part;
}

void Check(bool ok) {
    if (!ok) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view in(reinterpret_cast<const char*>(data), size);
    const std::string_view section = Take(in);
    const std::string_view key = Take(in);
    const std::string_view value = Take(in);
    const std::string content(in);

    (void)common::ReadValue(content, section, key);

    std::string written = content;
    if (!common::WriteValue(written, section, key, value)) {
        Check(written == content);
        return 0;
    }
    Check(common::ReadValue(written, section, key) == common::NormalizedValue(value));
    Check(written.size() >= content.size() || content.size() - written.size() <= content.size());
    std::string again = written;
    Check(common::WriteValue(again, section, key, value));
    Check(again == written);
    return 0;
}
