#pragma once
#include <string>

namespace obri {

// One row of the checked list: five texts.
struct CheckedRow {
    std::string FileName, Size, Position, ArcName, FullPathName;
};

}  // namespace obri
