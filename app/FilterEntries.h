#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace obri {

// One entry of a file-type filter: what the box shows and the patterns it stands for.
struct FilterEntry {
    std::string description;
    std::string patterns;
    bool operator==(const FilterEntry&) const = default;
};

// Splits a filter text "description|patterns|description|patterns|..." (final '|' optional) into
// its entries. A description left without a pattern part is dropped.
std::vector<FilterEntry> filterEntries(std::string_view filter);

}  // namespace obri
