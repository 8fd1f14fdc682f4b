#pragma once
#include <string>
#include <string_view>

// The read-only stand-in for HKEY_CURRENT_USER: a REGEDIT4 export in
// ${XDG_CONFIG_HOME:-$HOME/.config}/registry/HKEY_CURRENT_USER.reg.
namespace obri::registry {

std::string currentUserFilePath();

// Default value of keyPath (below HKEY_CURRENT_USER, '\' separated) in REGEDIT4 text; "" when the
// key or value is missing. A value of another type (dword:, hex: ...) raises the registry error.
std::string parseDefaultValue(std::string_view regText, std::string_view keyPath);

// The same, read from currentUserFilePath(); a missing file reads as "".
std::string readDefaultValue(std::string_view keyPath);

}  // namespace obri::registry
