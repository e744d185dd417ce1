#include "common/ini/ini_format.h"

#include <vector>

#include "common/text/text.h"

namespace common {
namespace {

struct Line {
    std::size_t begin = 0;  // first byte of the text
    std::size_t end = 0;    // one past the text, where the line break starts
    std::size_t next = 0;   // one past the line break
};

bool IsBlank(char c) {
    return common::kBlanks.find(c) != std::string_view::npos;
}

using common::Trim;

// Sections and keys match without regard to (ASCII) case.
bool SameName(std::string_view a, std::string_view b) {
    return common::EqualsNoCase(a, b);
}

std::size_t BomLength(std::string_view content) {
    return content.substr(0, 3) == "\xEF\xBB\xBF" ? 3 : 0;
}

std::vector<Line> SplitLines(std::string_view content) {
    std::vector<Line> lines;
    std::size_t pos = BomLength(content);
    while (pos < content.size()) {
        Line line;
        line.begin = pos;
        // CR LF, LF and a lone CR each end a line, so that text appended
        // after a final lone CR can never turn it into a CR LF and change
        // the meaning of the line before.
        const std::size_t br = content.find_first_of("\r\n", pos);
        if (br == std::string_view::npos) {
            line.end = line.next = content.size();
        } else {
            line.end = br;
            line.next = (content[br] == '\r' && br + 1 < content.size() && content[br + 1] == '\n')
                            ? br + 2
                            : br + 1;
        }
        lines.push_back(line);
        pos = line.next;
    }
    return lines;
}

// A section header: its trimmed text starts with "[". The name runs to the
// first "]" (or the end of the line) and is trimmed.
bool SectionName(std::string_view text, std::string_view& name) {
    text = Trim(text);
    if (text.empty() || text.front() != '[') {
        return false;
    }
    text.remove_prefix(1);
    const std::size_t close = text.find(']');
    name = Trim(text.substr(0, close));
    return true;
}

// A key line holds "=" after a non-empty key and is no comment.
bool KeyAndValue(std::string_view text, std::string_view& key, std::string_view& value,
                 std::size_t& valueOffset) {
    const std::string_view trimmed = Trim(text);
    if (trimmed.empty() || trimmed.front() == ';' || trimmed.front() == '[') {
        return false;
    }
    const std::size_t eq = text.find('=');
    if (eq == std::string_view::npos) {
        return false;
    }
    key = Trim(text.substr(0, eq));
    if (key.empty()) {
        return false;
    }
    valueOffset = eq + 1;
    while (valueOffset < text.size() && IsBlank(text[valueOffset])) {
        ++valueOffset;
    }
    value = text.substr(valueOffset);
    return true;
}

std::string CutUtf8(std::string_view s, std::size_t limit) {
    if (s.size() <= limit) {
        return std::string(s);
    }
    std::size_t cut = limit;
    // Step back over continuation bytes so that no sequence is split.
    while (cut > 0 && (static_cast<unsigned char>(s[cut]) & 0xC0) == 0x80) {
        --cut;
    }
    return std::string(s.substr(0, cut));
}

std::string_view FirstLine(std::string_view s) {
    const std::size_t br = s.find_first_of("\r\n");
    return br == std::string_view::npos ? s : s.substr(0, br);
}

std::string_view LineBreakOf(std::string_view content, const std::vector<Line>& lines) {
    for (const Line& line : lines) {
        if (line.next > line.end) {
            return content.substr(line.end, line.next - line.end);
        }
    }
    return "\n";
}

}  // namespace

std::string NormalizedValue(std::string_view value) {
    std::string_view v = Trim(FirstLine(value));
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) {
        v = v.substr(1, v.size() - 2);
    }
    return CutUtf8(v, kMaxValueBytes);
}

std::string ReadValue(std::string_view content, std::string_view section, std::string_view key) {
    section = Trim(section);
    key = Trim(key);
    bool inSection = false;
    for (const Line& line : SplitLines(content)) {
        const std::string_view text = content.substr(line.begin, line.end - line.begin);
        std::string_view name;
        if (SectionName(text, name)) {
            if (inSection) {
                // Later sections of the same name are never reached: the
                // first one decides.
                return {};
            }
            inSection = SameName(name, section);
            continue;
        }
        std::string_view lineKey;
        std::string_view value;
        std::size_t offset = 0;
        if (inSection && KeyAndValue(text, lineKey, value, offset) && SameName(lineKey, key)) {
            return NormalizedValue(value);
        }
    }
    return {};
}

bool RemoveValue(std::string& content, std::string_view section, std::string_view key) {
    section = Trim(section);
    key = Trim(key);
    std::vector<Line> doomed;
    bool inSection = false;
    bool seen = false;
    for (const Line& line : SplitLines(content)) {
        const std::string_view text =
            std::string_view(content).substr(line.begin, line.end - line.begin);
        std::string_view name;
        if (SectionName(text, name)) {
            if (inSection) {
                break;  // only the first section of the name is ever read
            }
            inSection = !seen && SameName(name, section);
            seen = seen || inSection;
            continue;
        }
        std::string_view lineKey;
        std::string_view value;
        std::size_t offset = 0;
        if (inSection && KeyAndValue(text, lineKey, value, offset) && SameName(lineKey, key)) {
            doomed.push_back(line);
        }
    }
    for (auto it = doomed.rbegin(); it != doomed.rend(); ++it) {
        content.erase(it->begin, it->next - it->begin);
    }
    return !doomed.empty();
}

bool WriteValue(std::string& content, std::string_view section, std::string_view key,
                std::string_view value) {
    section = Trim(section);
    key = Trim(key);
    if (section.empty() || key.empty() ||
        section.find_first_of("\r\n]") != std::string_view::npos ||
        key.find_first_of("\r\n=") != std::string_view::npos || key.front() == ';' ||
        key.front() == '[') {
        return false;
    }
    // Blanks around a value never survive a read, so none are written.
    value = Trim(FirstLine(value));

    const std::vector<Line> lines = SplitLines(content);
    const std::string eol(LineBreakOf(content, lines));

    bool inSection = false;
    bool found = false;
    std::size_t insertAt = 0;       // where a new key line goes
    bool insertNeedsBreak = false;  // the line before it has no line break
    for (const Line& line : lines) {
        const std::string_view text =
            std::string_view(content).substr(line.begin, line.end - line.begin);
        std::string_view name;
        if (SectionName(text, name)) {
            if (inSection) {
                break;
            }
            if (SameName(name, section)) {
                inSection = found = true;
                insertAt = line.next;
                insertNeedsBreak = line.next == line.end;
            }
            continue;
        }
        if (!inSection) {
            continue;
        }
        std::string_view lineKey;
        std::string_view oldValue;
        std::size_t offset = 0;
        if (KeyAndValue(text, lineKey, oldValue, offset) && SameName(lineKey, key)) {
            content.replace(line.begin + offset, line.end - line.begin - offset, value);
            return true;
        }
        if (!Trim(text).empty()) {
            insertAt = line.next;
            insertNeedsBreak = line.next == line.end;
        }
    }

    std::string keyLine;
    keyLine.append(key).append("=").append(value).append(eol);
    if (found) {
        if (insertNeedsBreak) {
            keyLine.insert(0, eol);
        }
        content.insert(insertAt, keyLine);
        return true;
    }
    if (!content.empty() && content.back() != '\n' && content.back() != '\r') {
        content.append(eol);
    }
    content.append("[").append(section).append("]").append(eol).append(keyLine);
    return true;
}

}  // namespace common
