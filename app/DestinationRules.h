#pragma once
#include <string>

namespace obri {

// The ALD name rule of the file chooser: a name whose three bytes before its final four read "_ga"
// (either letter in either case) is kept; otherwise its final four bytes (taken to be ".ext") are
// replaced by "_GA.ALD". Bytes, not characters, are counted.
std::string aldNameWithSuffix(std::string name);

// A folder from the folder chooser as the program keeps it: with one '/' appended, so the root
// "/" becomes "//".
std::string pmsFolderFromChoice(const std::string& chosen);

}  // namespace obri
