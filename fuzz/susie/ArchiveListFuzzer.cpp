// An archive list block of any length and content, as a plug-in might hand it over.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "susie/ArchiveList.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // An exactly-sized copy, so that any read past the block is caught.
    std::vector<std::uint8_t> block(data, data + size);
    static std::vector<obri::ARC> rows(64);
    const std::size_t written =
        obri::readArchiveRecords(block.empty() ? nullptr : block.data(), block.size(), rows);
    if (written > rows.size() || written > size / 428) std::abort();
    for (std::size_t i = 0; i < written; ++i) {
        if (rows[i].Name.size() > 200) std::abort();
    }
    return 0;
}
