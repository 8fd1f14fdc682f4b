#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace obri {

// A file mask matched as Windows matches it: '*' any run, '?' one character, ASCII case ignored,
// and "*.*" matches every name, one without a dot too.
bool matchesMask(std::string_view name, std::string_view mask);

// Every entry of folder whose name matches mask (files, folders, hidden ones; not "." and ".."),
// in the order the file system returns them.
std::vector<std::string> findEntries(const std::string& folder, std::string_view mask);

}  // namespace obri
