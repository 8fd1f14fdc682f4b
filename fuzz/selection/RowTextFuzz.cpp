// Texts the selection reads back: decimal row texts, the mount table, file-type pattern lists.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string_view>

#include "selection/CheckedRow.h"
#include "selection/FolderListing.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    if (const auto value = obri::decimalValue(text)) {
        // Whatever was accepted reads back to the same bits from its own decimal text.
        if (obri::decimalValue(obri::decimalText(*value)) != value) std::abort();
    }

    const auto roots = obri::parseDriveRoots(text);
    if (roots.empty() || roots.front() != "/") std::abort();
    if (std::set<std::string>(roots.begin(), roots.end()).size() != roots.size()) std::abort();

    for (const auto& mask : obri::splitMasks(text))
        if (mask.empty() || mask.find(';') != std::string::npos) std::abort();
    return 0;
}
