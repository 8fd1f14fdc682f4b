#include "selection/CheckedRow.h"

namespace obri {

CheckedRow makeFileRow(std::string_view name, std::string_view fullPath) {
    return {std::string(name), "0", "0", "", std::string(fullPath)};
}

CheckedRow makeMemberRow(const ARC& entry, std::string_view arcPath) {
    return {entry.Name, decimalText(entry.Size), decimalText(entry.Position), std::string(arcPath),
            entry.Name};
}

std::string decimalText(std::int32_t value) { return std::to_string(value); }

std::string decimalText(std::uint32_t value) { return decimalText(static_cast<std::int32_t>(value)); }

std::optional<std::int32_t> decimalValue(std::string_view text) {
    const bool negative = !text.empty() && text.front() == '-';
    if (negative) text.remove_prefix(1);
    if (text.empty()) return std::nullopt;
    // Anything past 2^32 is already out of range, so a 64-bit accumulator cannot overflow.
    std::uint64_t magnitude = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        magnitude = magnitude * 10 + static_cast<std::uint64_t>(c - '0');
        if (magnitude > 0xFFFFFFFFull) return std::nullopt;
    }
    if (negative && magnitude > 0x80000000ull) return std::nullopt;
    const std::uint32_t bits =
        static_cast<std::uint32_t>(negative ? (~magnitude + 1) : magnitude);  // two's complement
    return static_cast<std::int32_t>(bits);
}

std::optional<ARC> entryOf(const CheckedRow& row) {
    if (!row.isMember()) return std::nullopt;
    const auto size = decimalValue(row.Size);
    const auto position = decimalValue(row.Position);
    if (!size || !position) return std::nullopt;
    return ARC{row.FileName, *position, *size};
}

}  // namespace obri
