#include "platform/FileSearch.h"

#include <cstring>

#include <dirent.h>

namespace obri {

namespace {

char asciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// '*' and '?' with backtracking to the last star: linear in practice, never exponential.
bool globMatch(std::string_view name, std::string_view mask) {
    std::size_t n = 0, m = 0;
    std::size_t starMask = std::string_view::npos, starName = 0;
    while (n < name.size()) {
        if (m < mask.size() && mask[m] == '*') {
            starMask = m++;
            starName = n;
        } else if (m < mask.size() && (mask[m] == '?' || asciiLower(mask[m]) == asciiLower(name[n]))) {
            ++m;
            ++n;
        } else if (starMask != std::string_view::npos) {
            m = starMask + 1;
            n = ++starName;
        } else {
            return false;
        }
    }
    while (m < mask.size() && mask[m] == '*') ++m;
    return m == mask.size();
}

}  // namespace

bool matchesMask(std::string_view name, std::string_view mask) {
    if (globMatch(name, mask)) return true;
    // As on Windows, a final ".*" also matches a name without any dot ("*.*" matches everything).
    if (mask.size() >= 2 && mask.substr(mask.size() - 2) == ".*" && name.find('.') == std::string_view::npos)
        return globMatch(name, mask.substr(0, mask.size() - 2));
    return false;
}

std::vector<std::string> findEntries(const std::string& folder, std::string_view mask) {
    std::vector<std::string> names;
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!dir) return names;
    while (const dirent* entry = ::readdir(dir)) {
        const char* name = entry->d_name;
        if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) continue;
        if (matchesMask(name, mask)) names.emplace_back(name);
    }
    ::closedir(dir);
    return names;
}

}  // namespace obri
