#pragma once
#include <string>
#include <vector>

namespace obri::bench {

// A folder of count files under the system's temporary folder, made once per run and removed at
// exit: mostly pictures of several types and cases, some other files, a few hidden ones.
const std::string& pictureFolder(int count);

// The least any listing costs: every name of the folder read (readdir) and sorted.
std::vector<std::string> readAndSortNames(const std::string& folder);

// Masks of a typical "all pictures" file type.
inline constexpr char kPictureMasks[] = "*.bmp;*.png;*.jpg;*.jpeg";

}  // namespace obri::bench
