#pragma once
// Whole-file reading and writing for the bitmap.
#include <cstdint>
#include <string>
#include <vector>

namespace obri {

// The file's bytes; raises "ﾌｧｲﾙ %s は開けません" when it cannot be opened or read.
std::vector<std::uint8_t> readWholeFile(const std::string& path);

// Replaces the file with bytes through a temporary beside it, so that a failed write (a full
// disk) leaves the old file as it was. Raises "ﾌｧｲﾙ %s を作成できません" or "%s に書き込めません".
void replaceFile(const std::string& path, const std::uint8_t* bytes, std::size_t size);

}  // namespace obri
