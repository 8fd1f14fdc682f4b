#pragma once
// Small text rules shared by the settings-file and registry readers.
#include <cstddef>
#include <string_view>

namespace obri::textrules {

inline constexpr std::string_view kBom = "\xEF\xBB\xBF";

inline bool isBlank(char c) { return c == ' ' || c == '\t'; }

inline std::string_view trim(std::string_view text) {
    while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
    return text;
}

inline char asciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Names of sections, keys and registry keys match without regard to ASCII case.
inline bool sameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (asciiLower(a[i]) != asciiLower(b[i])) return false;
    return true;
}

}  // namespace obri::textrules
