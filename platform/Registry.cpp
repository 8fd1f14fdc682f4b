#include "platform/Registry.h"

#include <cstdlib>
#include <optional>
#include <vector>

#include <pwd.h>
#include <unistd.h>

#include "platform/Error.h"
#include "platform/TextFile.h"
#include "platform/TextRules.h"

namespace obri::registry {

namespace {

using namespace textrules;

constexpr std::string_view kRoot = "HKEY_CURRENT_USER";

std::string_view withoutTrailingBackslashes(std::string_view path) {
    while (!path.empty() && path.back() == '\\') path.remove_suffix(1);
    return path;
}

// A key path such as "Software\X" below HKEY_CURRENT_USER, from a header's text.
std::optional<std::string_view> pathBelowRoot(std::string_view header) {
    if (header.size() < kRoot.size() || !sameName(header.substr(0, kRoot.size()), kRoot)) return std::nullopt;
    header.remove_prefix(kRoot.size());
    if (header.empty()) return header;
    if (header.front() != '\\') return std::nullopt;
    return withoutTrailingBackslashes(header.substr(1));
}

// True when deleting key removes wanted (the key itself or one above it).
bool deletes(std::string_view key, std::string_view wanted) {
    if (key.empty()) return true;
    if (key.size() > wanted.size() || !sameName(key, wanted.substr(0, key.size()))) return false;
    return key.size() == wanted.size() || wanted[key.size()] == '\\';
}

// "text" with \\ and \" escapes; nullopt when the closing quote is missing.
std::optional<std::string> parseQuoted(std::string_view data) {
    std::string text;
    for (std::size_t i = 1; i < data.size(); ++i) {
        char c = data[i];
        if (c == '"') return text;
        if (c == '\\' && i + 1 < data.size() && (data[i + 1] == '\\' || data[i + 1] == '"')) c = data[++i];
        text += c;
    }
    return std::nullopt;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    c = asciiLower(c);
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// "41,42,00" as a text up to its first zero byte; nullopt when malformed.
std::optional<std::string> parseHexText(std::string_view data) {
    std::string text;
    bool ended = false;
    std::size_t i = 0;
    while (i < data.size()) {
        while (i < data.size() && isBlank(data[i])) ++i;
        if (i == data.size()) break;
        if (i + 1 >= data.size()) return std::nullopt;
        int high = hexDigit(data[i]), low = hexDigit(data[i + 1]);
        if (high < 0 || low < 0) return std::nullopt;
        char byte = static_cast<char>(high * 16 + low);
        if (byte == '\0') ended = true;
        if (!ended) text += byte;
        i += 2;
        while (i < data.size() && isBlank(data[i])) ++i;
        if (i < data.size() && data[i++] != ',') return std::nullopt;
    }
    return text;
}

// A text value: "..." or, as regedit writes them, hex(1) (plain) and hex(2) (expandable) bytes.
// Anything else is a value of another type.
std::string valueText(std::string_view data) {
    if (data == "-") return {};  // the value is deleted
    if (!data.empty() && data.front() == '"') return parseQuoted(data).value_or(std::string());
    for (std::string_view prefix : {"hex(1):", "hex(2):"}) {
        if (data.size() >= prefix.size() && sameName(data.substr(0, prefix.size()), prefix))
            return parseHexText(data.substr(prefix.size())).value_or(std::string());
    }
    throwBadRegistryType("");
}

// Joins the continuation lines of hex data ("...,\" then the rest on the next line).
std::string_view dataWithContinuations(const std::vector<std::string>& lines, std::size_t& i,
                                       std::string& joined) {
    std::string_view data = trim(std::string_view(lines[i]).substr(lines[i].find('=') + 1));
    if (data.empty() || data.front() == '"' || data.back() != '\\') return data;
    joined.assign(data.substr(0, data.size() - 1));
    while (i + 1 < lines.size()) {
        std::string_view next = trim(lines[++i]);
        bool more = !next.empty() && next.back() == '\\';
        joined += more ? next.substr(0, next.size() - 1) : next;
        if (!more) break;
    }
    return joined;
}

bool isDefaultValueLine(std::string_view line) {
    line = trim(line);
    if (line.empty() || line.front() != '@') return false;
    line = trim(line.substr(1));
    return !line.empty() && line.front() == '=';
}

std::string homeFolder() {
    if (const char* home = std::getenv("HOME"); home && *home) return home;
    if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_dir) return entry->pw_dir;
    return {};
}

}  // namespace

std::string currentUserFilePath() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    // An empty or relative XDG_CONFIG_HOME is to be ignored.
    std::string base = (config && config[0] == '/') ? std::string(config) : homeFolder() + "/.config";
    return base + "/registry/HKEY_CURRENT_USER.reg";
}

std::string parseDefaultValue(std::string_view regText, std::string_view keyPath) {
    if (regText.substr(0, kBom.size()) == kBom) regText.remove_prefix(kBom.size());
    std::string_view wanted = withoutTrailingBackslashes(keyPath);
    std::vector<std::string> lines = textfile::splitLines(regText);
    // As when the file is imported, a later value replaces an earlier one.
    std::optional<std::string> found;
    bool inKey = false;
    std::string joined;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::string_view line = trim(lines[i]);
        if (!line.empty() && line.front() == '[') {
            auto close = line.rfind(']');
            std::string_view header =
                close == std::string_view::npos ? line.substr(1) : line.substr(1, close - 1);
            bool removal = !header.empty() && header.front() == '-';
            auto path = pathBelowRoot(removal ? header.substr(1) : header);
            inKey = !removal && path && sameName(*path, wanted);
            if (removal && path && deletes(*path, wanted)) found.reset();
            continue;
        }
        if (inKey && isDefaultValueLine(line)) found = std::string(dataWithContinuations(lines, i, joined));
    }
    return found ? valueText(*found) : std::string();
}

std::string readDefaultValue(std::string_view keyPath) {
    std::vector<std::string> lines;
    try {
        lines = textfile::loadLines(currentUserFilePath());
    } catch (const PlatformError&) {
        return {};  // no file: no key
    }
    return parseDefaultValue(textfile::joinLines(lines), keyPath);
}

}  // namespace obri::registry
