#pragma once
// Whole-file reading and writing for the bitmap.
#include <cstdint>
#include <string>
#include <vector>

namespace obri {

// The file's bytes; raises "ﾌｧｲﾙ %s は開けません" when it cannot be opened or read.
std::vector<std::uint8_t> readWholeFile(const std::string& path);

struct ByteRange {
    const std::uint8_t* data;
    std::size_t size;
};

// Replaces the file with the parts, one after another, through a temporary beside it, so that a
// failed write (a full disk) leaves the old file as it was. The parts go out in a few gathered
// writes without being copied together first. Raises "ﾌｧｲﾙ %s を作成できません" or
// "%s に書き込めません".
void replaceFile(const std::string& path, const std::vector<ByteRange>& parts);

}  // namespace obri
