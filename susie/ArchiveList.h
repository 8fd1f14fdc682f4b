#pragma once
#include <cstddef>
#include <cstdint>
#include <span>

#include "susie/CSusie.h"

namespace obri {

// Copies the members of an archive list block into rows, from rows[0] on, in list order. Only whole
// 428-byte records inside the block are read; the list ends at a record whose first byte is 0, at
// the end of the block, or when rows are full. A name without its zero is cut at 200 bytes.
// Returns the number of rows written; rows after them are untouched.
std::size_t readArchiveRecords(const std::uint8_t* data, std::size_t size, std::span<ARC> rows);

}  // namespace obri
