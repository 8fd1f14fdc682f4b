#include "susie/ArchiveList.h"

#include <cstring>

#include "susie/SusieAbi.h"

namespace obri {
namespace {

std::uint32_t readU32(const std::uint8_t* at) {
    return static_cast<std::uint32_t>(at[0]) | static_cast<std::uint32_t>(at[1]) << 8 |
           static_cast<std::uint32_t>(at[2]) << 16 | static_cast<std::uint32_t>(at[3]) << 24;
}

}  // namespace

std::size_t readArchiveRecords(const std::uint8_t* data, std::size_t size, std::span<ARC> rows) {
    constexpr std::size_t kRecord = sizeof(SusieArchiveRecord);
    constexpr std::size_t kNameField = sizeof(SusieArchiveRecord::filename);
    if (!data) return 0;
    std::size_t count = 0;
    for (std::size_t offset = 0; count < rows.size() && size - offset >= kRecord; offset += kRecord) {
        const std::uint8_t* record = data + offset;
        if (record[0] == 0) break;
        const auto* name = reinterpret_cast<const char*>(record + offsetof(SusieArchiveRecord, filename));
        ARC& row = rows[count++];
        row.Name.assign(name, strnlen(name, kNameField));
        // Stored as the 32-bit patterns they are; the position goes back to the plug-in unchanged.
        row.Position = static_cast<std::int32_t>(readU32(record + offsetof(SusieArchiveRecord, position)));
        row.Size = static_cast<std::int32_t>(readU32(record + offsetof(SusieArchiveRecord, filesize)));
    }
    return count;
}

}  // namespace obri
