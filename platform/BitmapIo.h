#pragma once
// Whole-file reading and writing for the bitmap.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/FileReplace.h"

namespace obri {

// The file's bytes; raises "ﾌｧｲﾙ %s は開けません" when it cannot be opened or read.
std::vector<std::uint8_t> readWholeFile(const std::string& path);

}  // namespace obri
