#pragma once
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace obri::fuzz {

// Takes the next '\n'-ended field off the front of the input (the whole rest when there is none).
inline std::string_view takeField(std::string_view& input) {
    auto end = input.find('\n');
    std::string_view field = input.substr(0, end);
    input.remove_prefix(end == std::string_view::npos ? input.size() : end + 1);
    return field;
}

inline std::string_view asText(const std::uint8_t* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

}  // namespace obri::fuzz
