#include <cstdlib>
#include <string>
#include <vector>

#include "FuzzInput.h"
#include "platform/ProfileFile.h"
#include "platform/TextFile.h"

namespace {

using Lines = std::vector<std::string>;

bool isBlank(char c) { return c == ' ' || c == '\t'; }

bool hasLineEnd(std::string_view text) { return text.find_first_of("\r\n") != std::string_view::npos; }

// Names the file format can hold so that they read back as written.
bool isPlainName(std::string_view name, std::string_view forbidden) {
    if (hasLineEnd(name) || name.find_first_of(forbidden) != std::string_view::npos) return false;
    return name.empty() || (!isBlank(name.front()) && !isBlank(name.back()));
}

bool readsBackAsWritten(std::string_view value) {
    if (hasLineEnd(value)) return false;
    if (!value.empty() && (isBlank(value.front()) || isBlank(value.back()))) return false;
    bool quoted =
        value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front();
    return !quoted;
}

// The write changed one line in place, or added lines in one place, and kept every other line.
bool onlyTheWrittenLinesChanged(const Lines& before, const Lines& after) {
    if (after.size() < before.size() || after.size() > before.size() + 3) return false;
    std::size_t front = 0;
    while (front < before.size() && before[front] == after[front]) ++front;
    std::size_t back = 0;
    while (back < before.size() - front && before[before.size() - 1 - back] == after[after.size() - 1 - back])
        ++back;
    std::size_t removed = before.size() - front - back;
    return removed == 0 || (removed == 1 && after.size() == before.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view input = obri::fuzz::asText(data, size);
    std::string_view section = obri::fuzz::takeField(input);
    std::string_view key = obri::fuzz::takeField(input);
    std::string_view value = obri::fuzz::takeField(input);
    const Lines before = obri::textfile::splitLines(input);

    (void)obri::profileRead(before, section, key, "");
    Lines lines = before;
    obri::profileWrite(lines, section, key, value);
    if (!onlyTheWrittenLinesChanged(before, lines)) std::abort();

    bool plainNames = isPlainName(section, "]") && isPlainName(key, "=") &&
                      (key.empty() || (key.front() != ';' && key.front() != '['));
    if (plainNames && readsBackAsWritten(value) && obri::profileRead(lines, section, key, "\x01") != value)
        std::abort();
    if (plainNames && obri::textfile::splitLines(obri::textfile::joinLines(lines)) != lines) std::abort();
    return 0;
}
