#pragma once
#include <stdexcept>
#include <string>
#include <string_view>

namespace obri {

// The one error type the platform layer raises. Its text is what the user sees in the
// application's exception box.
class PlatformError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Replaces the first "%s" of pattern with argument.
std::string formatText(std::string_view pattern, std::string_view argument);

[[noreturn]] void throwCannotOpen(std::string_view path);
[[noreturn]] void throwCannotCreate(std::string_view path);
[[noreturn]] void throwCannotWrite(std::string_view path);
[[noreturn]] void throwBadRegistryType(std::string_view valueName);

}  // namespace obri
