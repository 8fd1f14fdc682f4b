#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "susie/CSusie.h"

namespace obri {

// One row of the checked list: a picture that the make operation converts. All five are texts.
// A plain file row: bare name, "0", "0", "", full path. A member row: member name, its size and
// position as decimal texts, the archive's path, and the member name again as the key.
struct CheckedRow {
    std::string FileName;
    std::string Size;
    std::string Position;
    std::string ArcName;
    std::string FullPathName;

    bool isMember() const { return !ArcName.empty(); }
    friend bool operator==(const CheckedRow&, const CheckedRow&) = default;
};

CheckedRow makeFileRow(std::string_view name, std::string_view fullPath);
CheckedRow makeMemberRow(const ARC& entry, std::string_view arcPath);

// The value taken as signed: 2^31 and above read as negative, no padding, no grouping.
std::string decimalText(std::int32_t value);
std::string decimalText(std::uint32_t value);

// Inverse of decimalText: an optional '-' and one or more ASCII digits, nothing else (no blanks,
// no '+'). Any value from -2^31 to 2^32-1 is accepted and gives its low 32 bits, so unsigned texts
// read back to the same bits as well. Anything else is nullopt, never a guess.
std::optional<std::int32_t> decimalValue(std::string_view text);

// The archive entry a member row describes; nullopt for a plain file row or when Size or
// Position is not a decimal text.
std::optional<ARC> entryOf(const CheckedRow& row);

}  // namespace obri
