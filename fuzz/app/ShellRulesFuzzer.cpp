// Any bytes as a chosen ALD name and as a filter text: no crash, and the rules' promises hold.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "app/DestinationRules.h"
#include "app/FilterEntries.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);

    const std::string name = obri::aldNameWithSuffix(text);
    const bool kept = name == text;
    const bool suffixed = name.size() >= 7 && name.compare(name.size() - 7, 7, "_GA.ALD") == 0;
    if (!kept && !suffixed) std::abort();
    // Choosing the result again never extends it a second time.
    if (obri::aldNameWithSuffix(name) != name) std::abort();

    std::size_t rebuilt = 0;
    for (const obri::FilterEntry& entry : obri::filterEntries(text))
        rebuilt += entry.description.size() + entry.patterns.size() + 2;
    if (rebuilt > text.size() + 2) std::abort();
    return 0;
}
