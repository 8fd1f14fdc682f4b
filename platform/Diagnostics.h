#pragma once
#include <ctime>
#include <string>
#include <string_view>

namespace obri {

// One line on standard error (the debugger output of the original platform).
void debugOutput(std::string_view line);

// The locale's short date and long time (%x, %X); in the C or POSIX locale 2001/02/27 and 13:57:30.
std::string localDateText(std::time_t when);
std::string localTimeText(std::time_t when);

}  // namespace obri
