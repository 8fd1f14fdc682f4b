#include "platform/ProfileFile.h"

#include <cerrno>
#include <optional>

#include <sys/stat.h>

#include "platform/Error.h"
#include "platform/TextFile.h"
#include "platform/TextRules.h"

namespace obri {

namespace {

using namespace textrules;

// What one line of a profile file is.
struct Line {
    enum class Kind { Other, Section, Key } kind = Kind::Other;
    std::string_view name;   // section or key name, trimmed
    std::string_view value;  // key value, trimmed, quotes still on
};

Line parseLine(std::string_view text, bool first) {
    if (first && text.substr(0, kBom.size()) == kBom) text.remove_prefix(kBom.size());
    text = trim(text);
    if (text.empty() || text.front() == ';') return {};
    if (text.front() == '[') {
        auto close = text.find(']');
        if (close != std::string_view::npos)
            return {Line::Kind::Section, trim(text.substr(1, close - 1)), {}};
    }
    auto equals = text.find('=');
    if (equals == std::string_view::npos) return {};
    return {Line::Kind::Key, trim(text.substr(0, equals)), trim(text.substr(equals + 1))};
}

std::string_view unquote(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

// Where a section lies: its header line and one past its last line.
struct SectionRange {
    std::size_t header;
    std::size_t end;
};

std::optional<SectionRange> findSection(const std::vector<std::string>& lines, std::string_view section) {
    for (std::size_t i = 0; i < lines.size(); ++i) {
        Line line = parseLine(lines[i], i == 0);
        if (line.kind != Line::Kind::Section || !sameName(line.name, section)) continue;
        std::size_t end = i + 1;
        while (end < lines.size() && parseLine(lines[end], false).kind != Line::Kind::Section) ++end;
        return SectionRange{i, end};
    }
    return std::nullopt;
}

std::optional<std::size_t> findKey(const std::vector<std::string>& lines, SectionRange range,
                                   std::string_view key) {
    for (std::size_t i = range.header + 1; i < range.end; ++i) {
        Line line = parseLine(lines[i], false);
        if (line.kind == Line::Kind::Key && sameName(line.name, key)) return i;
    }
    return std::nullopt;
}

// A line end inside a value would split the line and could plant keys or sections of its own.
std::string_view firstLineOf(std::string_view value) { return value.substr(0, value.find_first_of("\r\n")); }

}  // namespace

std::string profileRead(const std::vector<std::string>& lines, std::string_view section, std::string_view key,
                        std::string_view defaultValue) {
    auto range = findSection(lines, section);
    if (!range) return std::string(defaultValue);
    auto at = findKey(lines, *range, key);
    if (!at) return std::string(defaultValue);
    return std::string(unquote(parseLine(lines[*at], false).value));
}

void profileWrite(std::vector<std::string>& lines, std::string_view section, std::string_view key,
                  std::string_view value) {
    value = firstLineOf(value);
    auto range = findSection(lines, section);
    if (!range) {
        if (!lines.empty() && !trim(lines.back()).empty()) lines.emplace_back();
        lines.push_back("[" + std::string(section) + "]");
        lines.push_back(std::string(key) + "=" + std::string(value));
        return;
    }
    if (auto at = findKey(lines, *range, key)) {
        std::string name(parseLine(lines[*at], false).name);  // keeps the file's own spelling
        lines[*at] = name + "=" + std::string(value);
        return;
    }
    std::size_t last = range->header;
    for (std::size_t i = range->header + 1; i < range->end; ++i)
        if (!trim(lines[i]).empty()) last = i;
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(last + 1),
                 std::string(key) + "=" + std::string(value));
}

ProfileFile::ProfileFile(std::string path) : path_(std::move(path)) {}

std::string ProfileFile::readString(std::string_view section, std::string_view key,
                                    std::string_view defaultValue) const {
    try {
        return profileRead(textfile::loadLines(path_), section, key, defaultValue);
    } catch (const PlatformError&) {
        return std::string(defaultValue);
    }
}

void ProfileFile::writeString(std::string_view section, std::string_view key, std::string_view value) {
    std::vector<std::string> lines;
    struct stat info {};
    if (::stat(path_.c_str(), &info) == 0 || errno != ENOENT) {
        // An existing file that cannot be read is not replaced: its content would be lost.
        try {
            lines = textfile::loadLines(path_);
        } catch (const PlatformError&) {
            throwCannotWrite(path_);
        }
    }
    profileWrite(lines, section, key, value);
    try {
        textfile::saveLines(path_, lines);
    } catch (const PlatformError&) {
        throwCannotWrite(path_);
    }
}

}  // namespace obri
