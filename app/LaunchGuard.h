#pragma once
#include <string>

namespace obri {

// The argument text the host editor hands over: the arguments after the program's name joined by
// single blanks ("" when there are none).
std::string argumentText(int argc, const char* const* argv);

// True only when the argument text is the launch token, byte for byte.
bool launchTokenMatches(const std::string& argumentText);

}  // namespace obri
